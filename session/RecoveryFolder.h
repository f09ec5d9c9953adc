#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Where the editor keeps the recovery copies of modified pictures, and the
// copies that editors no longer running left behind. Each copy is a set of
// files named after its id: ID.grimasso (the document), ID.title (the window
// title it had) and ID.lock, which its editor holds locked (flock) for as long
// as it runs, so that several editors never touch each other's copies.
#include <string>
#include <vector>

// $XDG_STATE_HOME/grimasso/recovery, or ~/.local/state/grimasso/recovery.
std::string RecoveryFolderPath();

// A copy left behind by an editor that is no longer running; its lock is held
// by this object until it goes or the copy is removed.
class LeftoverCopy {
public:
    LeftoverCopy(std::string folder, std::string id, int lockFd);
    ~LeftoverCopy();
    LeftoverCopy(LeftoverCopy&& other) noexcept;
    LeftoverCopy& operator=(LeftoverCopy&&) = delete;
    LeftoverCopy(const LeftoverCopy&) = delete;

    std::string DocumentPath() const;
    // The title the window had; empty when it was not recorded.
    std::string Title() const;
    // Deletes the copy's files.
    void Remove();

private:
    std::string m_folder;
    std::string m_id;
    int m_lockFd;
};

// The copies in folder whose editor is gone (their lock can be taken), each
// with a document; copies without one are removed on the way.
std::vector<LeftoverCopy> FindLeftoverCopies(const std::string& folder);
