// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/PngImage.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <new>

#include <png.h>

#include "image/Exceptions.h"
#include "image/ExifOrientation.h"
#include "image/ImageLimits.h"
#include "image/LoadControl.h"
#include "image/WriteOutcome.h"

// libpng reports a fatal error by a long jump to the setjmp of the function that
// made the library call. Those functions (ReadPngHeader, ReadPngPixels, WritePng)
// hold only trivially destructible locals and keep the library state in a session
// record owned by their caller, so a jump never skips a destructor. No local they
// change after setjmp is read after the jump, so none needs to be volatile. The
// library calls outside them (signature test, create and destroy) never jump.

namespace {

// The file gamma of a picture meant for a display of gamma 2.2, in the gAMA
// chunk's units of 1/100000: 100000 / 2.2, rounded.
constexpr png_fixed_point kFileGamma = 45455;

// No ancillary chunk may claim more than this once decompressed (colour
// profiles of real cameras stay far below), and no more than this many of them
// are kept: a tiny file of absurd text or palette chunks is refused instead of
// filling memory.
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t{8} << 20;
constexpr png_uint_32 kMaxCachedChunks = 256;

// Ancillary chunks the picture does not need. libpng would allocate the length
// such a chunk claims before finding the file too short; ignored, it is only
// skipped. Five bytes each: the name and its terminating zero.
constexpr png_byte kIgnoredChunks[] = "tEXt\0zTXt\0iTXt\0sPLT\0hIST\0pCAL\0sCAL\0tIME\0oFFs\0pHYs\0sBIT\0bKGD";
constexpr int kIgnoredChunkCount = static_cast<int>(sizeof kIgnoredChunks / 5);

// The library's texts never reach the user: errors only jump back, warnings are dropped.
[[noreturn]] void JumpBackOnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

bool HasPngSignature(const std::string& path)
{
    std::FILE* probe = std::fopen(path.c_str(), "rb");
    if (probe == nullptr)
        return false;
    png_byte signature[4];
    const bool complete = std::fread(signature, 1, sizeof signature, probe) == sizeof signature;
    std::fclose(probe);
    return complete && png_sig_cmp(signature, 0, sizeof signature) == 0;
}

struct PngReadSession {
    png_structp png;
    png_infop info;
    std::FILE* file;
    png_uint_32 width;
    png_uint_32 height;
    int storedBitsPerPixel;  // as the file codes it, before the transformations
    std::size_t rowBytes;  // of one row as delivered after the transformations
    int passes;            // 7 for an interlaced file, else 1
};

// Releases the library structures and closes the file on every way out of Read.
struct PngReadCleanup {
    PngReadSession& session;
    ~PngReadCleanup()
    {
        png_destroy_read_struct(&session.png, &session.info, nullptr);
        std::fclose(session.file);
    }
};

// Reads the header and asks for 8-bit blue-green-red rows, whatever the file holds.
bool ReadPngHeader(PngReadSession& s)
{
    if (setjmp(png_jmpbuf(s.png)) != 0)
        return false;
    png_init_io(s.png, s.file);
    png_set_chunk_malloc_max(s.png, kMaxChunkBytes);
    png_set_chunk_cache_max(s.png, kMaxCachedChunks);
    png_set_user_limits(s.png, static_cast<png_uint_32>(kMaxPictureDimension),
                        static_cast<png_uint_32>(kMaxPictureDimension));
    png_set_keep_unknown_chunks(s.png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks, kIgnoredChunkCount);
    png_read_info(s.png, s.info);
    int bitDepth = 0;
    int colorType = 0;
    int interlaceType = 0;
    png_get_IHDR(s.png, s.info, &s.width, &s.height, &bitDepth, &colorType, &interlaceType, nullptr, nullptr);
    s.storedBitsPerPixel = bitDepth * png_get_channels(s.png, s.info);

    png_set_strip_16(s.png);
    png_set_strip_alpha(s.png);  // dropped, not blended
    png_set_packing(s.png);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_expand(s.png);
    // Scales grey levels of 1, 2 and 4 bits to the full 8-bit range (1 becomes
    // 255), so white stays white; unpacking alone would leave 1 as 1.
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(s.png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(s.png);
    png_set_bgr(s.png);
    // Lets the library assemble the passes of an interlaced file.
    s.passes = png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    s.rowBytes = png_get_rowbytes(s.png, s.info);
    return true;
}

// The bytes from the stream's position to its end (a file or a block of memory); -1 when unknown.
std::int64_t RemainingBytes(std::FILE* file)
{
    const long start = std::ftell(file);
    if (start < 0 || std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    const long end = std::ftell(file);
    if (std::fseek(file, start, SEEK_SET) != 0 || end < start)
        return -1;
    return end - start;
}

// Deflate packs at most 1032 bytes into one, so the rows a file claims need at
// least their size / 1032 bytes of it (the filter bytes of each row left aside).
bool StreamCanHoldPicture(const PngReadSession& s, std::int64_t streamBytes)
{
    constexpr std::int64_t kMaxDeflateRatio = 1032;
    if (s.storedBitsPerPixel <= 0)
        return false;
    const std::int64_t pixelsPerByte = kMaxDeflateRatio * 8 / s.storedBitsPerPixel;
    return FileCanHoldPixels(std::int64_t{s.width} * s.height, streamBytes, std::max<std::int64_t>(1, pixelsPerByte));
}

bool ReadPngPixels(PngReadSession& s, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(s.png)) != 0)
        return false;
    // Row by row as png_read_image reads them, with a checkpoint every few rows:
    // a cancelled load ends here as a failed one, which its caller tells apart.
    const std::int64_t height = s.height;
    for (int pass = 0; pass < s.passes; ++pass) {
        for (std::int64_t y = 0; y < height; ++y) {
            png_read_row(s.png, rows[y], nullptr);
            if (y % 16 == 0) {
                if (LoadCancelRequested())
                    return false;
                LoadReportShare(pass * height + y, s.passes * height);
            }
        }
    }
    // Into info: an eXIf chunk may follow the pixels.
    png_read_end(s.png, s.info);
    return true;
}

// The embedded profile and the Exif orientation, wherever their chunks stood.
PictureMetadata MetadataOf(const PngReadSession& s)
{
    PictureMetadata metadata;
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileLength = 0;
    if (png_get_iCCP(s.png, s.info, &name, &compression, &profile, &profileLength) == PNG_INFO_iCCP &&
        profile != nullptr)
        metadata.iccProfile.assign(profile, profile + profileLength);
    png_uint_32 exifLength = 0;
    png_bytep exif = nullptr;
    if (png_get_eXIf_1(s.png, s.info, &exifLength, &exif) == PNG_INFO_eXIf && exif != nullptr)
        metadata.orientation = ExifOrientation(exif, exifLength);
    return metadata;
}

struct PngWriteSession {
    png_structp png;
    png_infop info;
    std::FILE* file;
};

struct PngWriteJob {
    png_uint_32 width;
    png_uint_32 height;
    const std::uint8_t* bits;  // bottom-up rows: the top row of the picture is the last
    std::ptrdiff_t rowBytes;
    int compressionLevel;  // zlib's level, or -1 for the library's default
    bool singleFilter;     // only the "up" filter
};

bool WritePng(PngWriteSession& s, const PngWriteJob& job)
{
    if (setjmp(png_jmpbuf(s.png)) != 0)
        return false;
    png_init_io(s.png, s.file);
    if (job.compressionLevel >= 0)
        png_set_compression_level(s.png, job.compressionLevel);
    if (job.singleFilter)
        png_set_filter(s.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_IHDR(s.png, s.info, job.width, job.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_gAMA_fixed(s.png, s.info, kFileGamma);
    png_write_info(s.png, s.info);
    png_set_bgr(s.png);  // the buffer's rows go out unchanged
    for (png_uint_32 i = 0; i < job.height; ++i)
        png_write_row(s.png, job.bits + static_cast<std::ptrdiff_t>(job.height - 1 - i) * job.rowBytes);
    png_write_end(s.png, s.info);
    return true;
}

}  // namespace

void CPngImage::Read(const std::string& path)
{
    if (!HasPngSignature(path))
        throw CArchiveException(CArchiveException::generic);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        throw CFileException(CFileException::generic, -1, path);
    ReadFromStream(file);
}

void CPngImage::ReadFromStream(std::FILE* file)
{
    PngReadSession session{};
    session.file = file;
    session.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpBackOnError, IgnoreWarning);
    if (session.png == nullptr) {
        std::fclose(file);
        throw CArchiveException(CArchiveException::generic);
    }
    session.info = png_create_info_struct(session.png);
    if (session.info == nullptr) {
        png_destroy_read_struct(&session.png, nullptr, nullptr);
        std::fclose(file);
        throw CArchiveException(CArchiveException::generic);
    }
    PngReadCleanup cleanup{session};

    const std::int64_t streamBytes = RemainingBytes(file);
    if (!ReadPngHeader(session))
        throw CArchiveException(CArchiveException::generic);
    const std::int64_t width = session.width;
    const std::int64_t height = session.height;
    // Judged before anything of the picture's size is allocated: a file that
    // cannot hold what it claims is damaged, a size it names that is not the
    // one expected is damaged, and only then may a valid picture be too large.
    if (width == 0 || height == 0 || streamBytes < 0 || !StreamCanHoldPicture(session, streamBytes))
        throw CArchiveException(CArchiveException::generic);
    if (m_expectedWidth != 0 && (width != m_expectedWidth || height != m_expectedHeight))
        throw CArchiveException(CArchiveException::generic);
    RequireAcceptablePictureSize(width, height);
    if (session.rowBytes != static_cast<std::size_t>(width * 3))
        throw CArchiveException(CArchiveException::generic);

    // The library writes every row straight into its place in the bottom-up
    // buffer, the file's first row into the buffer's last.
    const std::int64_t rowBytes = RowBytes(width, 24);
    PixelBuffer bits = PixelBuffer::Allocate(static_cast<std::size_t>(rowBytes * height), true);
    std::unique_ptr<png_bytep[]> rows(new (std::nothrow) png_bytep[static_cast<std::size_t>(height)]);
    if (!rows)
        throw CMemoryException();
    for (std::int64_t i = 0; i < height; ++i)
        rows[static_cast<std::size_t>(i)] = bits.data() + (height - 1 - i) * rowBytes;
    if (!ReadPngPixels(session, rows.get()))
        throw CArchiveException(CArchiveException::generic);

    CDibImage::SetHeader(static_cast<int>(width), static_cast<int>(height), 24, nullptr);
    m_pColors.clear();
    m_pBits = std::move(bits);
    m_metadata = MetadataOf(session);
}

void CPngImage::Write(const std::string& path)
{
    // Refused before anything is created.
    if (!HoldsWritable24BitPicture())
        throw CArchiveException(CArchiveException::generic);

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        throw CFileException(CFileException::generic, -1, path);
    WriteToStream(file, path);
}

void CPngImage::WriteToStream(std::FILE* file, const std::string& path)
{
    const std::int64_t width = m_header.biWidth;
    const std::int64_t height = m_header.biHeight;
    const std::int64_t rowBytes = RowBytes(width, 24);
    if (!HoldsWritable24BitPicture()) {
        std::fclose(file);
        throw CArchiveException(CArchiveException::generic);
    }

    PngWriteSession session{};
    session.file = file;
    session.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpBackOnError, IgnoreWarning);
    if (session.png == nullptr) {
        std::fclose(file);
        throw CArchiveException(CArchiveException::generic);
    }
    session.info = png_create_info_struct(session.png);
    if (session.info == nullptr) {
        std::fclose(file);
        png_destroy_write_struct(&session.png, nullptr);
        throw CArchiveException(CArchiveException::generic);
    }

    const PngWriteJob job{static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), m_pBits.data(),
                          rowBytes, m_compressionLevel, m_singleFilter};
    const bool written = WritePng(session, job);
    // Taken before anything else can change errno (the error handler only jumps back).
    WriteOutcome outcome(file);
    png_destroy_write_struct(&session.png, &session.info);
    outcome.Close(path);
    if (!written)
        throw CArchiveException(CArchiveException::generic);
}
