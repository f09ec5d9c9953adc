// SPDX-License-Identifier: GPL-3.0-or-later
// Tiny files that claim huge chunks or huge pictures are refused by
// grimasso-cli with far less than 64 MB at its peak (measured by the kernel
// through /usr/bin/time), where the libraries would otherwise allocate what the
// file claims.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <zip.h>
#include <zlib.h>

#include "PhotoTestSupport.h"
#include "image/JpegImage.h"
#include "session/PictureSession.h"

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

void PutChunk(std::string& out, const char* type, const std::string& data)
{
    PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::string body = type + data;
    out += body;
    PutBigEndian(out, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
}

// A PNG header of width x height (8-bit grey or RGB) whose IDAT holds dataBytes zero bytes.
std::string PngClaiming(std::uint32_t width, std::uint32_t height, bool rgb, std::size_t dataBytes)
{
    std::string file("\x89PNG\r\n\x1A\n", 8);
    std::string ihdr;
    PutBigEndian(ihdr, width);
    PutBigEndian(ihdr, height);
    ihdr += std::string(rgb ? "\x08\x02\0\0\0" : "\x08\x00\0\0\0", 5);
    PutChunk(file, "IHDR", ihdr);
    PutChunk(file, "IDAT", std::string(dataBytes, '\0'));
    PutChunk(file, "IEND", "");
    return file;
}

// A 42-byte lossless WebP whose header claims side x side pixels.
std::string LosslessWebpClaiming(std::uint32_t side)
{
    std::string payload("\x2F", 1);
    const std::uint32_t sizes = (side - 1) | ((side - 1) << 14);
    PutLittleEndian(payload, sizes, 4);
    payload += std::string(17, '\0');
    std::string file("RIFF");
    PutLittleEndian(file, static_cast<std::uint32_t>(4 + 8 + payload.size()), 4);
    file += "WEBPVP8L";
    PutLittleEndian(file, static_cast<std::uint32_t>(payload.size()), 4);
    return file + payload;
}

// A small progressive JPEG whose frame header is changed to claim side x side pixels.
std::string ProgressiveJpegClaiming(const std::string& scratch, std::uint16_t side)
{
    CJpegImage codec;
    const std::vector<std::uint8_t> rows(static_cast<std::size_t>(RowBytes(16, 24)) * 16, 0x80);
    codec.SetHeader(16, 16, 24, nullptr);
    codec.m_pBits = PixelBuffer::Borrow(rows.data(), rows.size());
    codec.m_progressive = true;
    codec.m_quality = 50;
    codec.Write(scratch);
    std::ifstream in(scratch, std::ios::binary);
    std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t frame = file.find("\xFF\xC2");
    if (frame == std::string::npos)
        return {};
    // Marker, length, precision, then height and width, big-endian.
    for (const std::size_t at : {frame + 5, frame + 7}) {
        file[at] = static_cast<char>(side >> 8);
        file[at + 1] = static_cast<char>(side & 0xFF);
    }
    return file;
}

// A document of 64 x 48 whose picture.png is replaced by picture.
std::string DocumentWithPicture(const std::string& scratch, const std::string& picture)
{
    PictureSession(64, 48, PixelBuffer::Allocate(static_cast<std::size_t>(RowBytes(64, 24)) * 48, true)).Save(scratch);
    int error = 0;
    zip_t* archive = zip_open(scratch.c_str(), 0, &error);
    if (archive == nullptr)
        return {};
    zip_source_t* source = zip_source_buffer(archive, picture.data(), picture.size(), 0);
    zip_file_replace(archive, zip_name_locate(archive, "picture.png", 0), source, 0);
    zip_set_file_compression(archive, zip_name_locate(archive, "picture.png", 0), ZIP_CM_STORE, 0);
    zip_close(archive);
    std::ifstream in(scratch, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct Peak {
    int exitStatus = -1;
    long kilobytes = -1;
    std::string log;  // what the tool and the timer wrote to standard error
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
    peak.log = text;
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

// Claimed sizes are judged before the pixels are allocated: a size the file
// cannot hold is damage, a document's picture must have the description's
// size, and a picture that could be real but is too large is named by its size.
TEST(HostileFiles, ClaimedSizesAreJudgedBeforeAllocation)
{
    if (!std::filesystem::exists("/usr/bin/time"))
        GTEST_SKIP() << "/usr/bin/time missing";
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "peak memory is not ours under AddressSanitizer";
#endif
    ScratchFolder folder("claimed");
    const std::string damaged = "beschädigt";
    const struct {
        std::string name;
        std::string bytes;
        std::string cause;
    } cases[] = {
        {"tiny.png", PngClaiming(16384, 16384, true, 12), damaged},
        {"tiny.webp", LosslessWebpClaiming(16384), damaged},
        {"progressive.jpg", ProgressiveJpegClaiming(folder / "small.jpg", 16000), "nicht unterstützt"},
        // 0.8 MB is enough for the rows at deflate's best, but not what the description says.
        {"other-size.grimasso",
         DocumentWithPicture(folder / "made.grimasso", PngClaiming(16384, 16384, true, 800 * 1024)),
         "picture.png"},
        {"large.png", PngClaiming(20000, 20000, false, 400 * 1024), "20000 × 20000 Pixeln zu groß"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.bytes.empty());
        std::ofstream(folder / c.name, std::ios::binary) << c.bytes;
        const Peak peak = OpenMeasured(folder / c.name, folder / "time.log");
        EXPECT_EQ(peak.exitStatus, 1);
        EXPECT_NE(peak.log.find(c.cause), std::string::npos) << peak.log;
        EXPECT_GT(peak.kilobytes, 0);
        EXPECT_LT(peak.kilobytes, 64 * 1024);
    }
}

}  // namespace
