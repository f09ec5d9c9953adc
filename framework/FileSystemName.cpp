// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/FileSystemName.h"

#include <QFile>
#include <QStringList>
#include <dirent.h>
#include <sys/stat.h>

namespace {

bool Exists(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

// The entry of folder whose decoded name is name; empty when none or several are.
std::string EntryDecodedAs(const std::string& folder, const QString& name)
{
    DIR* directory = ::opendir(folder.empty() ? "." : folder.c_str());
    if (directory == nullptr)
        return {};
    std::string found;
    int matches = 0;
    while (const dirent* entry = ::readdir(directory)) {
        if (QFile::decodeName(entry->d_name) == name && ++matches == 1)
            found = entry->d_name;
    }
    ::closedir(directory);
    return matches == 1 ? found : std::string();
}

}  // namespace

std::string FileSystemName(const QString& path)
{
    const std::string encoded = QFile::encodeName(path).toStdString();
    if (path.isEmpty() || Exists(encoded))
        return encoded;
    const QStringList parts = path.split(QLatin1Char('/'));
    std::string resolved;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        const std::string folder = resolved;
        if (i > 0)
            resolved += '/';
        const std::string plain = QFile::encodeName(part).toStdString();
        if (part.isEmpty() || Exists(resolved + plain)) {
            resolved += plain;
            continue;
        }
        const std::string entry = EntryDecodedAs(i == 0 ? std::string(".") : (folder.empty() ? "/" : folder), part);
        resolved += entry.empty() ? plain : entry;
    }
    return resolved;
}
