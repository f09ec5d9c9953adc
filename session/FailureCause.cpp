// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/FailureCause.h"

#include <cstring>

#include "image/Exceptions.h"
#include "resources/StringIds.h"
#include "session/DocumentError.h"
#include "session/SessionFailure.h"

namespace {

FailureCause CauseOfFileException(const CFileException& file)
{
    switch (file.m_cause) {
    case CFileException::hardIO:
        return {IDS_CLI_CAUSE_WRITE_FAILED, {}};
    case CFileException::accessDenied:
        return {IDS_CLI_CAUSE_WRITE_PROTECTED, {file.m_strFileName}};
    case CFileException::invalidFile:
        return {IDS_CLI_CAUSE_NOT_REGULAR_FILE, {file.m_strFileName}};
    default:
        return {IDS_CLI_CAUSE_FILE, {file.m_strFileName, file.m_lOsError > 0 ? std::strerror(file.m_lOsError) : "-"}};
    }
}

}  // namespace

FailureCause CauseOf(const SessionFailure& failure)
{
    switch (failure.GetCause()) {
    case SessionFailure::Cause::UnknownFormat:
        return {IDS_CLI_CAUSE_UNKNOWN_FORMAT, {failure.Path()}};
    case SessionFailure::Cause::UnknownEnding:
        return {IDS_CLI_CAUSE_UNKNOWN_ENDING, {failure.Path()}};
    case SessionFailure::Cause::ForeignFormat:
        return {};  // the message of its own names the format
    case SessionFailure::Cause::Exception:
        break;
    }
    if (!failure.Exception())
        return {};
    try {
        std::rethrow_exception(failure.Exception());
    } catch (const CFileException& file) {
        return CauseOfFileException(file);
    } catch (const DocumentError& explained) {
        return {explained.MessageId(), {explained.First(), explained.Second()}};
    } catch (const CArchiveException& archive) {
        if (archive.m_cause == CArchiveException::endOfFile)
            return {IDS_CLI_CAUSE_TRUNCATED, {}};
        if (archive.m_cause == CArchiveException::badIndex)
            return {IDS_CLI_CAUSE_UNSUPPORTED, {}};
        return {IDS_CLI_CAUSE_CORRUPT, {}};
    } catch (const CMemoryException&) {
        return {IDS_CLI_CAUSE_MEMORY, {}};
    } catch (...) {
    }
    return {};
}
