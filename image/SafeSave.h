#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Saving that never destroys the previous file and never goes around it.
//
// The target is the file behind any symbolic link at path; the link stays.
// Normally the codec writes a temporary file beside the target, which is
// synced, given the target's owner, group and mode, and renamed over it; the
// folder is synced after the rename. Where a rename would be wrong (the target
// has several hard links) or cannot be made (no new file may be created in its
// folder), the codec first writes the whole picture to a scratch file in the
// system's temporary folder, which is then copied into the existing file in
// place, every write checked, and cut to size.
//
// A file we may not write (no write permission bit at all, or none for our
// effective ids) is refused with CFileException(accessDenied) before anything is
// written; anything but a regular file with CFileException(invalidFile). On any
// failure the temporary files are removed and the exception, naming path rather
// than a temporary file, reaches the caller. A symbolic link that loops fails
// with CFileException(generic, ELOOP) and stays as it is.
//
// Temporary files are named ".grimasso-save-PID-N.tmp"; each save first
// removes those of processes no longer running from the folder it writes into
// (see StaleSaveFiles.h).
#include <functional>
#include <string>

#include "image/DibImage.h"

void SavePictureSafely(CDibImage& codec, const std::string& path);

// The same for any file that write creates completely at the path it is given
// (a document): write raises what the codecs raise.
using FileWriter = std::function<void(const std::string& path)>;
void SaveFileSafely(const FileWriter& write, const std::string& path);
