#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The temporary files of saves, ".grimasso-save-PID-N.tmp": a save killed half
// way (SIGKILL, a crash, a power cut) leaves its file, which the next save into
// the same folder removes once the process that made it no longer runs.
#include <string>

// The start of the name of every temporary file this process saves through.
std::string SaveTemporaryPrefix();

// Removes, in folder ("" for the current one), the temporary files of saves
// whose process is gone: regular files of ours only, named as above with
// another process's id. Whatever cannot be looked at is left alone.
void RemoveStaleSaveFiles(const std::string& folder);
