// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/ExportedFile.h"

#include <filesystem>
#include <system_error>

void RemoveExportedFile(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::path target = path;
    if (fs::is_symlink(fs::symlink_status(target, ignored))) {
        target = fs::canonical(target, ignored);
        if (ignored)
            return;  // a dangling link: nothing was written at its end
    }
    if (fs::symlink_status(target, ignored).type() == fs::file_type::regular)
        fs::remove(target, ignored);
}
