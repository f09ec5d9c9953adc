#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Why loading or saving a picture failed: the message the user sees (the load
// or the save message of the string table) and what caused it, for those who
// show a cause as well (the command-line tool).
#include <exception>
#include <string>

class SessionFailure : public std::exception {
public:
    enum class Cause {
        Exception,      // the codec's or the file system's exception, in exception
        UnknownFormat,  // neither the first bytes nor the ending of path name a format
        UnknownEnding,  // the ending of path names no format to save in
        ForeignFormat,  // path is a picture of a format we recognise but do not open
    };

    SessionFailure(int messageId, std::exception_ptr exception)
        : m_messageId(messageId), m_cause(Cause::Exception), m_exception(std::move(exception)) {}
    SessionFailure(int messageId, Cause cause, std::string path)
        : m_messageId(messageId), m_cause(cause), m_path(std::move(path)) {}
    // A picture of a foreign format, named by the string formatNameId.
    SessionFailure(int messageId, std::string path, int formatNameId)
        : m_messageId(messageId), m_cause(Cause::ForeignFormat), m_path(std::move(path)),
          m_formatNameId(formatNameId) {}

    const char* what() const noexcept override { return "picture session failure"; }

    int MessageId() const { return m_messageId; }
    Cause GetCause() const { return m_cause; }
    // The exception behind a Cause::Exception, else null.
    const std::exception_ptr& Exception() const { return m_exception; }
    const std::string& Path() const { return m_path; }
    // The string naming the format of a Cause::ForeignFormat, else 0.
    int FormatNameId() const { return m_formatNameId; }

private:
    int m_messageId;
    Cause m_cause;
    std::exception_ptr m_exception;
    std::string m_path;
    int m_formatNameId = 0;
};
