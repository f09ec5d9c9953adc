// SPDX-License-Identifier: GPL-3.0-or-later
// Tiny files that claim huge chunks or huge pictures are refused by
// grimasso-cli with far less than 64 MB at its peak (measured by the kernel
// through /usr/bin/time), where the libraries would otherwise allocate what the
// file claims.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <zlib.h>

#include "PhotoTestSupport.h"

namespace {

using namespace phototest;

void PutBigEndian(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A 16 x 16 PNG header followed by a chunk of type that claims almost 2 GiB
// and holds twelve bytes.
std::string PngClaimingHugeChunk(const char* type)
{
    std::string file("\x89PNG\r\n\x1A\n", 8);
    std::string ihdr("IHDR");
    PutBigEndian(ihdr, 16);
    PutBigEndian(ihdr, 16);
    ihdr += std::string("\x08\x02\0\0\0", 5);
    PutBigEndian(file, 13);
    file += ihdr;
    PutBigEndian(file, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(ihdr.data()), ihdr.size())));
    PutBigEndian(file, 0x7FFFFFF0);
    file += type;
    file += std::string(12, 'x');
    return file;
}

// A little-endian TIFF of side x side 8-bit RGB pixels, uncompressed, whose one
// strip holds 100 bytes.
std::string TiffClaimingHugePicture(std::uint32_t side)
{
    struct Entry {
        std::uint16_t tag, type;
        std::uint32_t value;
    };
    const Entry entries[] = {{256, 4, side}, {257, 4, side}, {258, 3, 8},    {259, 3, 1},  {262, 3, 2},
                             {273, 4, 8},    {277, 3, 3},    {278, 4, side}, {279, 4, 100}};
    std::string file("II*\0", 4);
    PutLittleEndian(file, 8 + 100, 4);
    file += std::string(100, '\x80');
    PutLittleEndian(file, sizeof entries / sizeof entries[0], 2);
    for (const Entry& e : entries) {
        PutLittleEndian(file, e.tag, 2);
        PutLittleEndian(file, e.type, 2);
        PutLittleEndian(file, 1, 4);
        PutLittleEndian(file, e.value, 4);
    }
    PutLittleEndian(file, 0, 4);
    return file;
}

struct Peak {
    int exitStatus = -1;
    long kilobytes = -1;
};

// grimasso-cli opening path, with its exit status and its peak resident memory.
Peak OpenMeasured(const std::string& path, const std::string& log)
{
    const std::string command = "/usr/bin/time -v '" + std::string(GRIMASSO_CLI_PATH) + "' '" + path +
                                "' --quiet > /dev/null 2> '" + log + "'";
    Peak peak;
    const int status = std::system(command.c_str());
    peak.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::smatch match;
    if (std::regex_search(text, match, std::regex("Maximum resident set size \\(kbytes\\): ([0-9]+)")))
        peak.kilobytes = std::stol(match[1]);
    return peak;
}

TEST(HostileFiles, AreRefusedWithLittleMemory)
{
    if (!std::filesystem::exists("/usr/bin/time"))
        GTEST_SKIP() << "/usr/bin/time missing";
#if defined(__SANITIZE_ADDRESS__)
    // The peak would count the sanitizer's shadow memory and quarantine, not ours.
    GTEST_SKIP() << "peak memory is not ours under AddressSanitizer";
#endif
    ScratchFolder folder("hostile");
    std::vector<std::pair<std::string, std::string>> files;
    for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT", "iCCP", "eXIf", "pCAL", "unKn"})
        files.emplace_back(std::string(type) + ".png", PngClaimingHugeChunk(type));
    files.emplace_back("side-30000.tif", TiffClaimingHugePicture(30000));
    files.emplace_back("side-16000.tif", TiffClaimingHugePicture(16000));
    for (const auto& [name, bytes] : files)
        std::ofstream(folder / name, std::ios::binary) << bytes;

    std::vector<std::string> paths;
    for (const auto& file : files)
        paths.push_back(folder / file.first);
    const std::string corpusTiff = std::string(GRIMASSO_CORPUS_DIR) + "/tiff/libtiff_segfault.tif";
    if (std::filesystem::exists(corpusTiff))
        paths.push_back(corpusTiff);

    for (const std::string& path : paths) {
        const Peak peak = OpenMeasured(path, folder / "time.log");
        EXPECT_EQ(peak.exitStatus, 1) << path;
        EXPECT_GT(peak.kilobytes, 0) << path;
        EXPECT_LT(peak.kilobytes, 64 * 1024) << path;
    }
}

}  // namespace
