// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/RecoveryCopy.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "image/RowBands.h"
#include "image/Exceptions.h"
#include "session/DocumentWriter.h"
#include "session/PictureSession.h"

namespace {

// Makes every missing folder of path, private to the user.
void MakeFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            throw CFileException(CFileException::generic, errno, part);
        if (slash == std::string::npos)
            return;
    }
}

std::string NewId()
{
    std::random_device random;
    return std::to_string(::getpid()) + "-" + std::to_string(random() % 1000000000u);
}

// Writes text to path through a temporary file and a rename.
void WriteSmallFileAtomically(const std::string& path, const std::string& text)
{
    const std::string temporary = path + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr)
        throw CFileException(CFileException::generic, errno, temporary);
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        throw CFileException(CFileException::hardIO, errno, path);
    }
}

void CopyMap(const MapEntry* from, MapBuffer& to, std::int32_t width, std::int32_t height)
{
    const std::size_t entries = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    to.resize(entries);
    ForEachRowBand(height, std::int64_t{width} * height, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        const std::size_t first = static_cast<std::size_t>(rowBegin) * static_cast<std::size_t>(width);
        const std::size_t end = static_cast<std::size_t>(rowEnd) * static_cast<std::size_t>(width);
        std::copy(from + first, from + end, to.data() + first);
    });
}

}  // namespace

RecoveryCopy::RecoveryCopy(std::string folder) : m_folder(std::move(folder))
{
    MakeFolders(m_folder);
    for (int attempt = 0; attempt < 100 && m_lockFd < 0; ++attempt) {
        m_id = NewId();
        // Locked under a name nobody looks for, then renamed: another editor
        // must never see the lock file unlocked and take the copy for a leftover.
        const std::string pending = m_folder + "/" + m_id + ".newlock";
        const int fd = ::open(pending.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            throw CFileException(CFileException::generic, errno, pending);
        }
        if (::flock(fd, LOCK_EX) != 0 || ::rename(pending.c_str(), (m_folder + "/" + m_id + ".lock").c_str()) != 0) {
            const int error = errno;
            ::unlink(pending.c_str());
            ::close(fd);
            throw CFileException(CFileException::generic, error, pending);
        }
        m_lockFd = fd;
    }
    if (m_lockFd < 0)
        throw CFileException(CFileException::generic, EEXIST, m_folder);
    m_documentPath = m_folder + "/" + m_id + ".grimasso";
}

RecoveryCopy::~RecoveryCopy()
{
    Discard();
    ::unlink((m_folder + "/" + m_id + ".lock").c_str());
    ::close(m_lockFd);
}

void RecoveryCopy::Wait()
{
    if (m_writer.joinable())
        m_writer.join();
}

void RecoveryCopy::Discard()
{
    Wait();
    ::unlink(m_documentPath.c_str());
    ::unlink((m_documentPath + ".tmp").c_str());
    ::unlink((m_folder + "/" + m_id + ".title").c_str());
}

bool RecoveryCopy::Write(PictureSession& session, const std::string& title)
{
    if (m_writing.load())
        return false;
    Wait();
    CWarpField& field = session.Field();
    if (m_original != field.Original() || m_width != field.Width() || m_height != field.Height())
        m_encodedPicture.clear();  // another picture: encoded afresh
    m_width = field.Width();
    m_height = field.Height();
    m_radius = field.GetRadius();
    m_canUndo = field.CanUndo();
    m_lastMode = field.LastMode();
    m_title = title;
    m_sourceName = session.SourceName();
    m_original = field.Original();
    try {
        if (m_canUndo) {
            // The undo map is the map as the latest gesture found it, which
            // the previous copy usually holds already: then it only changes
            // hands, and the editor's thread copies the map alone.
            const std::uint64_t source = field.UndoMapSourceRevision();
            if (source != 0 && source == m_mapRevision) {
                std::swap(m_map, m_undoMap);
                m_undoRevision = m_mapRevision;
            } else if (source == 0 || source != m_undoRevision) {
                m_undoRevision = 0;  // until the copy is whole
                CopyMap(field.UndoMap(), m_undoMap, m_width, m_height);
                m_undoRevision = source;
            }
        }
        m_mapRevision = 0;
        CopyMap(field.Map(), m_map, m_width, m_height);
        m_mapRevision = field.MapRevision();
    } catch (const std::bad_alloc&) {
        m_failed = true;
        return true;
    }
    m_writing = true;
    try {
        m_writer = std::thread([this] { WriteInBackground(); });
    } catch (const std::system_error&) {
        m_writing = false;
        m_failed = true;
    }
    return true;
}

void RecoveryCopy::WriteInBackground()
{
    const std::string temporary = m_documentPath + ".tmp";
    try {
        if (m_encodedPicture.empty())
            m_encodedPicture = EncodeDocumentPicture(m_width, m_height, m_original);
        DocumentParts parts;
        parts.description.width = m_width;
        parts.description.height = m_height;
        parts.description.radius = m_radius;
        parts.description.canUndo = m_canUndo;
        parts.description.lastMode = m_lastMode;
        parts.description.sourceName = m_sourceName;
        parts.original = m_original;
        parts.map = m_map.data();
        parts.undoMap = m_canUndo ? m_undoMap.data() : nullptr;
        parts.encodedPicture = &m_encodedPicture;
        WriteDocument(parts, temporary);
        const int fd = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
        const bool synced = fd >= 0 && ::fsync(fd) == 0;
        if (fd >= 0)
            ::close(fd);
        if (!synced || std::rename(temporary.c_str(), m_documentPath.c_str()) != 0)
            throw CFileException(CFileException::hardIO, errno, m_documentPath);
        WriteSmallFileAtomically(m_folder + "/" + m_id + ".title", m_title);
        m_succeeded = true;
    } catch (const std::exception&) {
        ::unlink(temporary.c_str());
        m_failed = true;
    }
    m_writing = false;
}
