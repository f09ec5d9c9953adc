#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Path helpers shared by saving, the video export and the command-line tool.
#include <string>

// The folder part of path including its trailing slash ("" for a bare name).
std::string FolderOf(const std::string& path);
// The part of path after its last slash.
std::string FileNameOf(const std::string& path);

// The file that path finally names once every symbolic link in its last
// component is followed, so that writing there updates the file behind a link
// instead of replacing the link. A path that is no link (or does not exist)
// comes back unchanged; a link to a missing file yields that missing file.
std::string ResolveLinkTarget(const std::string& path);

// Raises CFileException(invalidFile) unless path is a regular file. A named
// pipe or a device is looked at without blocking and without being read.
void RequireRegularFile(const std::string& path);
