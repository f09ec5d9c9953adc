#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// File names as the file system spells them. Qt decodes names in the locale's
// encoding, and a name that is not valid there (a Latin-1 "café.png" under a
// UTF-8 locale) comes back with replacement characters that QFile::encodeName
// cannot turn into the original bytes. Such a name, from the command line, a
// file dialog or the recent files, is found again by listing its folder.
#include <QString>
#include <string>

// The bytes that name path: its encoded form where that exists, else, for
// each component that does not, the one entry of its folder whose decoded name
// equals it (kept encoded when there is none, or several).
std::string FileSystemName(const QString& path);
