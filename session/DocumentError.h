#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Why a Grimasso document, or a picture too large to hold, cannot be read: an
// archive failure like any broken picture (the load message) that says what
// was wrong in the words of the string table (%1, %2 filled in by whoever
// shows it).
#include <string>

#include "image/Exceptions.h"
#include "resources/StringIds.h"

class DocumentError : public CArchiveException {
public:
    explicit DocumentError(int messageId, std::string first = {}, std::string second = {})
        : CArchiveException(CArchiveException::generic), m_messageId(messageId),
          m_first(std::move(first)), m_second(std::move(second)) {}

    int MessageId() const { return m_messageId; }
    const std::string& First() const { return m_first; }
    const std::string& Second() const { return m_second; }

private:
    int m_messageId;
    std::string m_first;
    std::string m_second;
};

// A picture over the size limit, named by its size.
inline DocumentError TooLargeError(const CPictureSizeException& tooLarge)
{
    return DocumentError(IDS_LOAD_TOO_LARGE, std::to_string(tooLarge.m_width), std::to_string(tooLarge.m_height));
}
