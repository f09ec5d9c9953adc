// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/JpegImage.h"

#include <cerrno>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <sys/stat.h>

#include <jpeglib.h>

#include "image/CodecOptions.h"
#include "image/ConcurrentRowConversion.h"
#include "image/PictureOrientation.h"
#include "image/Exceptions.h"
#include "image/ExifOrientation.h"
#include "image/ImageLimits.h"
#include "image/LoadControl.h"
#include "image/SrgbConversion.h"
#include "image/WriteOutcome.h"

// libjpeg reports a fatal error by calling error_exit, which must not return:
// ours jumps back to the setjmp of the function that made the library call.
// Those functions (ReadJpegHeader, ReadJpegProfile, StartJpegDecompression,
// ReadJpegRows, CompressJpeg) hold only trivially destructible locals and keep all library
// state in a session record owned by their caller, so a jump never skips a
// destructor. No local they change after setjmp is read after the jump, so none
// needs to be volatile. Library calls outside them (only the destroy calls)
// never raise an error.

namespace {

struct JpegErrorManager {
    jpeg_error_mgr pub;  // first member: the library sees only this part
    std::jmp_buf jump;
};

// The library's texts never reach the user; warnings and errors are dropped.
void DropMessage(j_common_ptr) {}

[[noreturn]] void JumpBackOnError(j_common_ptr info)
{
    (*info->err->output_message)(info);
    std::longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->jump, 1);
}

jpeg_error_mgr* InstallErrorManager(JpegErrorManager& manager)
{
    jpeg_error_mgr* standard = jpeg_std_error(&manager.pub);
    manager.pub.error_exit = JumpBackOnError;
    manager.pub.output_message = DropMessage;
    return standard;
}

// Real encoders write a dozen scans or so; each scan of a progressive file is
// a pass over the whole picture's coefficients, so a few thousand tiny scans
// keep the decoder busy for minutes.
constexpr int kMaxScans = 256;

struct JpegReadSession {
    jpeg_decompress_struct info;
    JpegErrorManager error;
    jpeg_progress_mgr progress;  // watches the scans
    std::FILE* file;
};

// Ends the decoding, through the error manager's jump, past the last scan we
// allow or when the load is cancelled; reports the share of the library's passes
// done (a progressive file spends most of its time reading its scans).
void WatchScans(j_common_ptr common)
{
    auto* info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number > kMaxScans || LoadCancelRequested())
        (*common->err->error_exit)(common);
    const jpeg_progress_mgr& progress = *common->progress;
    if (progress.total_passes > 0 && progress.pass_limit > 0) {
        const std::int64_t limit = progress.pass_limit;
        LoadReportShare(progress.completed_passes * limit + progress.pass_counter,
                          std::int64_t{progress.total_passes} * limit);
    }
}

// Huffman coding spends at least one bit on every 8 x 8 block of every
// component (its DC difference), so the file must hold that many bits.
// Arithmetic coding can go below a bit; its files are bounded by the scans only.
bool FileCanHoldBlocks(const jpeg_decompress_struct& info, std::int64_t fileBytes)
{
    if (info.arith_code)
        return true;
    const std::int64_t pixels = std::int64_t{info.image_width} * info.image_height;
    std::int64_t blocks = 0;
    for (int i = 0; i < info.num_components; ++i)
        blocks += std::int64_t{info.comp_info[i].width_in_blocks} * info.comp_info[i].height_in_blocks;
    return pixels <= kAlwaysReadPixels || blocks <= fileBytes * 8;
}

// Destroys the decompressor and closes the file on every way out of Read.
// Destroying a decompressor that was never created is harmless (its memory
// manager is still null in the zeroed record).
struct JpegReadCleanup {
    JpegReadSession& session;
    ~JpegReadCleanup()
    {
        jpeg_destroy_decompress(&session.info);
        std::fclose(session.file);
    }
};

bool ReadJpegHeader(JpegReadSession& s)
{
    if (setjmp(s.error.jump) != 0)
        return false;
    jpeg_create_decompress(&s.info);
    s.progress.progress_monitor = WatchScans;
    s.info.progress = &s.progress;
    jpeg_stdio_src(&s.info, s.file);
    // Kept for the orientation (Exif in APP1) and the colour profile (APP2).
    jpeg_save_markers(&s.info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&s.info, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&s.info, TRUE);
    return true;
}

// The orientation of the first APP1 segment holding Exif, else 1.
int OrientationOf(const jpeg_decompress_struct& info)
{
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker != nullptr; marker = marker->next) {
        if (marker->marker == JPEG_APP0 + 1 && marker->data_length >= 6 &&
            std::memcmp(marker->data, "Exif\0\0", 6) == 0)
            return ExifOrientation(marker->data, marker->data_length);
    }
    return 1;
}

// The ICC profile, put together by the library from its APP2 segments; empty
// when there is none or its segments do not fit together.
bool ReadJpegProfile(JpegReadSession& s, std::vector<std::uint8_t>& profile)
{
    if (setjmp(s.error.jump) != 0)
        return false;
    JOCTET* data = nullptr;
    unsigned int length = 0;
    if (jpeg_read_icc_profile(&s.info, &data, &length) && data != nullptr)
        profile.assign(data, data + length);
    std::free(data);
    return true;
}

// Greyscale and YCbCr files are converted to RGB by the library. CMYK and YCCK
// files come out as CMYK, which ReadJpegRows turns into RGB itself.
bool StartJpegDecompression(JpegReadSession& s)
{
    if (setjmp(s.error.jump) != 0)
        return false;
    const bool inks = s.info.jpeg_color_space == JCS_CMYK || s.info.jpeg_color_space == JCS_YCCK;
    s.info.out_color_space = inks ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&s.info);
    return true;
}

bool DeliversInks(const jpeg_decompress_struct& info)
{
    return info.out_color_space == JCS_CMYK;
}

// x * y / 255, rounded.
std::uint8_t ScaleBy(unsigned x, unsigned y)
{
    const unsigned product = x * y + 128;
    return static_cast<std::uint8_t>((product + (product >> 8)) >> 8);
}

// One row of CMYK samples as bottom-up BGR: each colour is what is left of
// white after its ink and the black, with no colour profile involved. Files
// with an Adobe marker store the inks inverted (0 = full ink), which the
// writers of such files have always done.
void InksToBgr(const JSAMPLE* sample, std::uint8_t* pixel, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, sample += 4, pixel += 3) {
        unsigned c = sample[0], m = sample[1], y = sample[2], k = sample[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        pixel[0] = ScaleBy(y, k);
        pixel[1] = ScaleBy(m, k);
        pixel[2] = ScaleBy(c, k);
    }
}

// Reads every scanline, swapping red and blue. Scanline 0 is the top row of the
// picture, which is the last row of the bottom-up buffer bits.
// Inks go through inkProfile when the file carries a CMYK profile; colours
// learns of every band of finished rows when an RGB profile is being applied.
bool ReadJpegRows(JpegReadSession& s, std::uint8_t* bits, std::ptrdiff_t rowBytes, const SrgbConversion* inkProfile,
                  ConcurrentRowConversion* colours)
{
    if (setjmp(s.error.jump) != 0)
        return false;
    j_common_ptr common = reinterpret_cast<j_common_ptr>(&s.info);
    JSAMPARRAY scanline =
        (*s.info.mem->alloc_sarray)(common, JPOOL_IMAGE, s.info.output_width * s.info.output_components, 1);
    const JDIMENSION width = s.info.output_width;
    const JDIMENSION height = s.info.output_height;
    const bool inks = DeliversInks(s.info);
    const bool inverted = s.info.saw_Adobe_marker != 0;
    while (s.info.output_scanline < height) {
        std::uint8_t* pixel = bits + static_cast<std::ptrdiff_t>(height - 1 - s.info.output_scanline) * rowBytes;
        // The stdio source never suspends; a zero count would only mean a broken library.
        if (jpeg_read_scanlines(&s.info, scanline, 1) != 1)
            return false;
        if (colours != nullptr && s.info.output_scanline % 16 == 0)
            colours->RowsDecoded(static_cast<std::int32_t>(s.info.output_scanline) - 1);
        const JSAMPLE* sample = scanline[0];
        if (inks && inkProfile != nullptr) {
            inkProfile->Convert(sample, pixel, width);
            continue;
        }
        if (inks) {
            InksToBgr(sample, pixel, width, inverted);
            continue;
        }
        for (JDIMENSION x = 0; x < width; ++x, sample += 3, pixel += 3) {
            pixel[0] = sample[2];
            pixel[1] = sample[1];
            pixel[2] = sample[0];
        }
    }
    jpeg_finish_decompress(&s.info);
    return true;
}

struct JpegWriteSession {
    jpeg_compress_struct info;
    JpegErrorManager error;
    std::FILE* file;
};

struct JpegWriteJob {
    JDIMENSION width;
    JDIMENSION height;
    int quality;
    bool progressive;
    const std::uint8_t* bits;    // bottom-up rows: the top row of the picture is the last
    std::ptrdiff_t rowBytes;
    std::uint8_t* rowBuffer;     // width x 3 bytes, allocated by the caller
};

bool CompressJpeg(JpegWriteSession& s, const JpegWriteJob& job)
{
    if (setjmp(s.error.jump) != 0)
        return false;
    jpeg_create_compress(&s.info);
    jpeg_stdio_dest(&s.info, s.file);
    s.info.image_width = job.width;
    s.info.image_height = job.height;
    s.info.input_components = 3;
    s.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&s.info);
    if (job.progressive)
        jpeg_simple_progression(&s.info);
    jpeg_set_quality(&s.info, job.quality, TRUE);
    jpeg_start_compress(&s.info, TRUE);

    JSAMPROW rows[1] = {job.rowBuffer};
    while (s.info.next_scanline < job.height) {
        const std::uint8_t* pixel =
            job.bits + static_cast<std::ptrdiff_t>(job.height - 1 - s.info.next_scanline) * job.rowBytes;
        std::uint8_t* sample = job.rowBuffer;
        for (JDIMENSION x = 0; x < job.width; ++x, pixel += 3, sample += 3) {
            sample[0] = pixel[2];
            sample[1] = pixel[1];
            sample[2] = pixel[0];
        }
        jpeg_write_scanlines(&s.info, rows, 1);
    }
    jpeg_finish_compress(&s.info);
    return true;
}

}  // namespace

void CJpegImage::SetHeader(int width, int height, int bitCount, const void* options)
{
    if (options != nullptr) {
        const auto* record = static_cast<const CodecOptions*>(options);
        m_quality = record->quality;
        m_progressive = record->progressive;
    }
    CDibImage::SetHeader(width, height, bitCount, options);
}

void CJpegImage::Read(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        throw CFileException(CFileException::generic, -1, path);

    JpegReadSession session{};
    session.file = file;
    session.info.err = InstallErrorManager(session.error);
    JpegReadCleanup cleanup{session};

    struct stat status {};
    if (::fstat(fileno(file), &status) != 0)
        throw CFileException(CFileException::generic, errno, path);
    if (!ReadJpegHeader(session))
        throw CArchiveException(CArchiveException::badIndex);
    const std::int64_t width = session.info.image_width;
    const std::int64_t height = session.info.image_height;
    // What the file cannot hold is damage, however large; only then is the size judged.
    if (width == 0 || height == 0 || !FileCanHoldBlocks(session.info, status.st_size))
        throw CArchiveException(CArchiveException::badIndex);
    RequireAcceptablePictureSize(width, height);
    CDibImage::SetHeader(static_cast<int>(width), static_cast<int>(height), 24, nullptr);
    m_metadata = PictureMetadata{};
    m_metadata.orientation = OrientationOf(session.info);
    if (!ReadJpegProfile(session, m_metadata.iccProfile))
        m_metadata.iccProfile.clear();

    if (!StartJpegDecompression(session))
        throw CArchiveException(CArchiveException::badIndex);
    const int components = DeliversInks(session.info) ? 4 : 3;
    if (session.info.output_width != width || session.info.output_height != height ||
        session.info.output_components != components)
        throw CArchiveException(CArchiveException::badIndex);

    const std::int64_t rowBytes = RowBytes(width, 24);
    m_pColors.clear();
    m_pBits = PixelBuffer::Allocate(static_cast<std::size_t>(rowBytes * height), true);
    // Inks are converted through their profile here, as only the inks fit it.
    std::unique_ptr<SrgbConversion> inkProfile;
    if (components == 4) {
        const auto input = session.info.saw_Adobe_marker ? SrgbConversion::Input::InvertedCmyk
                                                          : SrgbConversion::Input::Cmyk;
        inkProfile = SrgbConversion::FromProfile(m_metadata.iccProfile, input);
        m_metadata.iccProfile.clear();
    }
    // Colours are converted and the rows turned upright on a second thread
    // while the rows are decoded.
    const std::unique_ptr<SrgbConversion> colourProfile =
        components == 3 ? SrgbConversion::FromProfile(m_metadata.iccProfile, SrgbConversion::Input::Bgr) : nullptr;
    const int orientation = m_metadata.orientation;
    const bool turns = m_readUpright && orientation >= 2 && orientation <= 8;
    const bool swaps = turns && OrientationSwapsSides(orientation);
    PixelBuffer upright;
    if (turns)
        upright = PixelBuffer::Allocate(static_cast<std::size_t>(RowBytes(swaps ? height : width, 24) *
                                                                 (swaps ? width : height)), false);
    std::optional<ConcurrentRowConversion> finishing;
    if (colourProfile || turns)
        finishing.emplace(colourProfile.get(), m_pBits.data(), rowBytes, static_cast<std::int32_t>(width),
                          static_cast<std::int32_t>(height), orientation, turns ? upright.data() : nullptr);
    if (!ReadJpegRows(session, m_pBits.data(), rowBytes, inkProfile.get(), finishing ? &*finishing : nullptr))
        throw CArchiveException(CArchiveException::badIndex);
    if (finishing)
        finishing->Finish();
    if (colourProfile)
        m_metadata.iccProfile.clear();  // applied
    if (turns) {
        finishing.reset();
        m_header.biWidth = static_cast<std::int32_t>(swaps ? height : width);
        m_header.biHeight = static_cast<std::int32_t>(swaps ? width : height);
        m_pBits = std::move(upright);
        m_metadata.orientation = 1;
    }
}

void CJpegImage::Write(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        throw CFileException(CFileException::generic, -1, path);

    const std::int64_t width = m_header.biWidth;
    const std::int64_t height = m_header.biHeight;
    const std::int64_t rowBytes = RowBytes(width, 24);
    // A picture the codec cannot write leaves the file empty.
    if (!HoldsWritable24BitPicture()) {
        std::fclose(file);
        throw CArchiveException(CArchiveException::badIndex);
    }

    PixelBuffer rowBuffer;
    try {
        rowBuffer = PixelBuffer::Allocate(static_cast<std::size_t>(width * 3), false);
    } catch (...) {
        std::fclose(file);
        throw;
    }

    JpegWriteSession session{};
    session.file = file;
    session.info.err = InstallErrorManager(session.error);
    const JpegWriteJob job{static_cast<JDIMENSION>(width), static_cast<JDIMENSION>(height), m_quality,
                           m_progressive, m_pBits.data(), rowBytes,
                           rowBuffer.data()};
    const bool compressed = CompressJpeg(session, job);
    // A library error right after a failed fwrite is a write failure, whose errno
    // nothing has touched since (the error manager only jumps back).
    WriteOutcome outcome(file);
    jpeg_destroy_compress(&session.info);
    outcome.Close(path);
    if (!compressed)
        throw CArchiveException(CArchiveException::badIndex);
}
