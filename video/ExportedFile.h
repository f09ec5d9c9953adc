#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Removing what a failed or cancelled video export wrote. The one place that
// deletes an export's file, for every ending and every way an export can end.
#include <string>

// Through a symbolic link (or a chain of them) the file at its end is removed
// and the links stay as they were. Only regular files are removed: an export
// writes nothing else, and a device node must never go with it. Failures,
// such as a file that is gone already, are ignored.
void RemoveExportedFile(const std::string& path);
