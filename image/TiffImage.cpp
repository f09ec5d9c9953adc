// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/TiffImage.h"

#include <cerrno>
#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include <tiffio.h>

#include "image/Exceptions.h"
#include "image/ImageLimits.h"
#include "image/LoadControl.h"

// libtiff is never left by an exception: every file is opened with its own
// error handler, which only records that an error happened, and the codec tests
// that record after each library call. The warning handler keeps warnings silent.
// Both handlers claim the message, so the process-wide handlers never see it.

namespace {

// The largest block libtiff may ask for at once: one strip holding a whole
// picture of the largest accepted size at 8 bytes a pixel (16-bit RGBA). Damaged
// files that claim absurd strips are refused instead of exhausting memory.
constexpr tmsize_t kMaxLibraryBlock = static_cast<tmsize_t>(kMaxPicturePixels * 8);

int RecordError(TIFF*, void* userData, const char*, const char*, va_list)
{
    *static_cast<bool*>(userData) = true;
    return 1;
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

// Opens path with the handlers and the allocation limit above; errorRaised
// becomes true at the first library error about this file, the failed open included.
class TiffFile {
public:
    TiffFile(const std::string& path, const char* mode, bool& errorRaised)
    {
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (options == nullptr)
            throw CMemoryException();
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxLibraryBlock);
        TIFFOpenOptionsSetErrorHandlerExtR(options, RecordError, &errorRaised);
        TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreWarning, nullptr);
        m_tif = TIFFOpenExt(path.c_str(), mode, options);  // copies the handlers
        TIFFOpenOptionsFree(options);
    }
    ~TiffFile() { Close(); }
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;

    TIFF* get() const { return m_tif; }
    void Close()
    {
        if (m_tif != nullptr)
            TIFFClose(m_tif);
        m_tif = nullptr;
    }

private:
    TIFF* m_tif = nullptr;
};

// The library's packed raster: one 32-bit value a pixel, red in the low byte.
class TiffRaster {
public:
    explicit TiffRaster(std::size_t pixels)
        : m_values(static_cast<std::uint32_t*>(_TIFFmalloc(static_cast<tmsize_t>(pixels * sizeof(std::uint32_t)))))
    {
        if (m_values == nullptr)
            throw CMemoryException();
    }
    ~TiffRaster() { _TIFFfree(m_values); }
    TiffRaster(const TiffRaster&) = delete;
    TiffRaster& operator=(const TiffRaster&) = delete;

    std::uint32_t* data() const { return m_values; }

private:
    std::uint32_t* m_values;
};

// Both raster and buffer are bottom-up, so raster row y becomes buffer row y.
void CopyRasterToRows(const std::uint32_t* raster, std::uint32_t width, std::uint32_t height, std::uint8_t* bits,
                      std::size_t rowBytes)
{
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint32_t* value = raster + static_cast<std::size_t>(y) * width;
        std::uint8_t* pixel = bits + y * rowBytes;
        if (y % 64 == 0)
            LoadCheckpoint();
        for (std::uint32_t x = 0; x < width; ++x, ++value, pixel += 3) {
            pixel[0] = static_cast<std::uint8_t>(TIFFGetB(*value));
            pixel[1] = static_cast<std::uint8_t>(TIFFGetG(*value));
            pixel[2] = static_cast<std::uint8_t>(TIFFGetR(*value));
        }
    }
}


// How many raw bytes one stored byte can at most become under compression, a
// little above what each method reaches on a blank picture; 0 when the method
// is not bounded that way (fax codings, whose blank rows take a bit each, are
// judged by their rows instead).
std::int64_t MaxExpansion(std::uint16_t compression)
{
    switch (compression) {
    case COMPRESSION_NONE: return 2;
    case COMPRESSION_PACKBITS: return 70;
    case COMPRESSION_LZW:
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
    case COMPRESSION_OJPEG:
    case COMPRESSION_JPEG: return 1400;
    default: return 0;
    }
}

bool IsFaxCoding(std::uint16_t compression)
{
    return compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTFAX3 ||
           compression == COMPRESSION_CCITTFAX4 || compression == COMPRESSION_CCITTRLEW;
}

// False when the strips or tiles, all together and no longer than the file,
// hold far less data than width x height pixels need even when compressed: a
// few hundred bytes that claim a huge picture are refused before the raster is
// allocated.
bool StripsCanHoldPicture(TIFF* tif, std::uint32_t width, std::uint32_t height, std::uintmax_t fileSize)
{
    const std::int64_t pixels = std::int64_t{width} * height;
    if (pixels <= kAlwaysReadPixels)
        return true;
    std::uint16_t bitsPerSample = 8;
    std::uint16_t samplesPerPixel = 1;
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bitsPerSample);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samplesPerPixel);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    const std::uint32_t strips = TIFFNumberOfStrips(tif);
    std::int64_t stored = 0;
    for (std::uint32_t i = 0; i < strips && static_cast<std::uintmax_t>(stored) < fileSize; ++i)
        stored += static_cast<std::int64_t>(TIFFGetStrileByteCount(tif, i));
    stored = std::min<std::int64_t>(stored, static_cast<std::int64_t>(fileSize));
    if (IsFaxCoding(compression))
        return height <= stored * 8;
    const std::int64_t expansion = MaxExpansion(compression);
    const std::int64_t rawBits = pixels * std::max<std::int64_t>(1, std::int64_t{bitsPerSample} * samplesPerPixel);
    return expansion == 0 || rawBits / 8 <= stored * expansion;
}

}  // namespace

void CTiffImage::Read(const std::string& path)
{
    bool errorRaised = false;
    // "m": the file is read through ordinary reads, never mapped into memory, so
    // a file cut short while it is read ends in an error rather than a crash.
    TiffFile file(path, "rbm", errorRaised);
    if (file.get() == nullptr) {
        if (errorRaised)
            throw CArchiveException(CArchiveException::generic);
        throw CFileException(CFileException::generic, -1, path);
    }

    std::uint32_t width = 0;
    std::uint32_t height = 0;
    const bool sized = TIFFGetField(file.get(), TIFFTAG_IMAGEWIDTH, &width) == 1 &&
                       TIFFGetField(file.get(), TIFFTAG_IMAGELENGTH, &height) == 1;
    if (!sized || errorRaised)
        throw CArchiveException(CArchiveException::generic);
    // What the file cannot hold is damage, however large; only then is the size judged.
    std::error_code sizeError;
    const std::uintmax_t fileSize = std::filesystem::file_size(path, sizeError);
    if (sizeError || width == 0 || height == 0 || !StripsCanHoldPicture(file.get(), width, height, fileSize))
        throw CArchiveException(CArchiveException::generic);
    RequireAcceptablePictureSize(width, height);
    // A valid file of a kind the library cannot render (float samples, odd
    // bit depths) is a variant we do not support, not a damaged file.
    char message[1024] = {};
    if (TIFFRGBAImageOK(file.get(), message) == 0)
        throw CArchiveException(errorRaised ? CArchiveException::generic : CArchiveException::badIndex);

    m_metadata = PictureMetadata{};
    std::uint32_t profileLength = 0;
    const std::uint8_t* profile = nullptr;
    if (TIFFGetField(file.get(), TIFFTAG_ICCPROFILE, &profileLength, &profile) == 1 && profile != nullptr)
        m_metadata.iccProfile.assign(profile, profile + profileLength);

    PixelBuffer bits;
    {
        // The library renders the raster in one call: the load can end before and after it.
        LoadCheckpoint();
        TiffRaster raster(static_cast<std::size_t>(width) * height);
        TIFFRGBAImage reader;
        if (TIFFRGBAImageBegin(&reader, file.get(), 0, message) == 0 || errorRaised)
            throw CArchiveException(CArchiveException::generic);
        // The rows as stored, bottom-up: the orientation is applied exactly
        // later, where the library would only approximate orientations 5 to 8.
        m_metadata.orientation = reader.orientation >= 1 && reader.orientation <= 8 ? reader.orientation : 1;
        reader.orientation = ORIENTATION_TOPLEFT;
        reader.req_orientation = ORIENTATION_BOTLEFT;
        const int got = TIFFRGBAImageGet(&reader, raster.data(), width, height);
        TIFFRGBAImageEnd(&reader);
        if (got == 0 || errorRaised)
            throw CArchiveException(CArchiveException::generic);
        const std::size_t rowBytes = static_cast<std::size_t>(RowBytes(width, 24));
        bits = PixelBuffer::Allocate(rowBytes * height, true);
        CopyRasterToRows(raster.data(), width, height, bits.data(), rowBytes);
    }
    file.Close();

    CDibImage::SetHeader(static_cast<int>(width), static_cast<int>(height), 24, nullptr);
    m_pColors.clear();
    m_pBits = std::move(bits);
}

void CTiffImage::Write(const std::string& path)
{
    const std::int64_t width = m_header.biWidth;
    const std::int64_t height = m_header.biHeight;
    const std::int64_t rowBytes = RowBytes(width, 24);
    // Refused before anything is created.
    if (!HoldsWritable24BitPicture())
        throw CArchiveException(CArchiveException::generic);
    PixelBuffer scanline = PixelBuffer::Allocate(static_cast<std::size_t>(width * 3), false);

    bool errorRaised = false;
    // "b": big-endian byte order.
    errno = 0;
    TiffFile file(path, "wb", errorRaised);
    TIFF* tif = file.get();
    if (tif == nullptr) {
        // The library writes the header while opening, so a full disk shows here.
        const int error = errno;
        const bool writeFailed = error == ENOSPC || error == EFBIG || error == EDQUOT || error == EIO;
        if (writeFailed)
            throw CFileException(CFileException::hardIO, error, path);
        throw CFileException(CFileException::generic, -1, path);
    }

    errno = 0;
    bool written = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width)) == 1 &&
                   TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height)) == 1 &&
                   TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) == 1 &&
                   TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3) == 1 &&
                   TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) == 1 &&
                   TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE) == 1 &&
                   TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) == 1 &&
                   TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) == 1 &&
                   TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 1) == 1;

    // Scanline i is the picture's i-th row from the top: buffer row height - 1 - i.
    for (std::int64_t i = 0; written && i < height; ++i) {
        const std::uint8_t* pixel = m_pBits.data() + (height - 1 - i) * rowBytes;
        std::uint8_t* sample = scanline.data();
        for (std::int64_t x = 0; x < width; ++x, pixel += 3, sample += 3) {
            sample[0] = pixel[2];
            sample[1] = pixel[1];
            sample[2] = pixel[0];
        }
        written = TIFFWriteScanline(tif, scanline.data(), static_cast<std::uint32_t>(i), 0) == 1;
    }
    // The directory is written by the flush; TIFFClose would hide its failure.
    written = written && TIFFFlush(tif) == 1;
    // The error handler only records, so errno still holds the failed write's reason.
    const int writeError = errno;
    file.Close();
    if (!written || errorRaised) {
        if (writeError != 0)
            throw CFileException(CFileException::hardIO, writeError, path);
        throw CArchiveException(CArchiveException::generic);
    }
}
