#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A tmpfs of a few pages mounted on a folder: a real file system that runs
// full. Mounting needs root (or the right capability); tests skip without it.
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/mount.h>
#include <vector>

class SmallFileSystem {
public:
    explicit SmallFileSystem(const std::string& folder) : m_folder(folder)
    {
        std::filesystem::create_directories(folder);
        m_mounted = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k,mode=0777") == 0;
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            ::umount2(m_folder.c_str(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool Mounted() const { return m_mounted; }

    // Takes every byte that is left, into files named "filler" and "filler2".
    void Fill() const
    {
        if (std::FILE* filler = std::fopen((m_folder + "/filler").c_str(), "wb")) {
            const std::vector<char> block(4096, 'x');
            while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {
            }
            std::fclose(filler);
        }
        if (std::FILE* rest = std::fopen((m_folder + "/filler2").c_str(), "wb")) {
            while (std::fputc('x', rest) != EOF && std::fflush(rest) == 0) {
            }
            std::fclose(rest);
        }
    }

private:
    std::string m_folder;
    bool m_mounted = false;
};
