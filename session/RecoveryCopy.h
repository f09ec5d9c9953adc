#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The recovery copy of one modified picture (see RecoveryFolder.h). The
// caller's thread copies the map, and the undo map only when no earlier copy
// holds it (after a gesture it is the previous copy's map); a background thread writes the
// document beside the copy and renames it over the copy, so a write killed
// half way leaves the previous copy whole. The undeformed picture is encoded
// once, at the first write.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "deform/WarpField.h"

class PictureSession;

class RecoveryCopy {
public:
    // Takes a new id in folder (made when missing) and locks it. Raises
    // CFileException when the folder cannot hold the lock.
    explicit RecoveryCopy(std::string folder);
    // Waits for a write under way and removes the copy.
    ~RecoveryCopy();
    RecoveryCopy(const RecoveryCopy&) = delete;
    RecoveryCopy& operator=(const RecoveryCopy&) = delete;

    // Copies the state of session and starts writing it with title. False,
    // without copying, while the previous write is still under way. session
    // must keep its undeformed picture until this object has gone or
    // Discard has returned.
    bool Write(PictureSession& session, const std::string& title);
    // Waits for a write under way and removes the copy's document; the next
    // Write starts afresh.
    void Discard();
    // True once after a write failed (a full disk, a folder we may not write).
    bool TakeFailure() { return m_failed.exchange(false); }
    // True once after a write succeeded.
    bool TakeSuccess() { return m_succeeded.exchange(false); }
    // Waits until the write under way has finished.
    void Wait();

    const std::string& DocumentPath() const { return m_documentPath; }

private:
    void WriteInBackground();

    std::string m_folder;
    std::string m_id;
    std::string m_documentPath;
    int m_lockFd = -1;

    std::thread m_writer;
    std::atomic<bool> m_writing{false};
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_succeeded{false};

    // What the writer reads; the caller's thread fills it only while no write runs.
    std::int32_t m_width = 0, m_height = 0, m_radius = 0, m_lastMode = 0;
    bool m_canUndo = false;
    std::string m_title, m_sourceName;
    const std::uint8_t* m_original = nullptr;
    MapBuffer m_map, m_undoMap;
    // The map revisions (CWarpField::MapRevision) that m_map and m_undoMap hold; 0: none.
    std::uint64_t m_mapRevision = 0, m_undoRevision = 0;
    std::vector<std::uint8_t> m_encodedPicture;
};
