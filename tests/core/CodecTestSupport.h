#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Shared steps of the codec tests: preparing a codec for a save, the cause of
// an archive error, and the header every reader must deliver.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <vector>

#include "image/CodecOptions.h"
#include "image/DibImage.h"
#include "image/Exceptions.h"

namespace codectest {

// SetHeader plus a copy of rows in m_pBits, as the document prepares a save.
inline void PrepareForSave(CDibImage& codec, int width, int height, const std::vector<std::uint8_t>& rows,
                           const CodecOptions* options = nullptr, int bitCount = 24)
{
    codec.SetHeader(width, height, bitCount, options);
    codec.m_pBits = PixelBuffer::Allocate(rows.size(), false);
    std::memcpy(codec.m_pBits.data(), rows.data(), rows.size());
}

// The cause of the CArchiveException that action raises, or -1 when it raises none.
inline int ArchiveCause(const std::function<void()>& action)
{
    try {
        action();
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return -1;
}

// The cause and errno of the CFileException that action raises, or {-1, 0} when it raises none.
struct FileFailure {
    int cause;
    int osError;
    bool operator==(const FileFailure&) const = default;
};

inline FileFailure FileFailureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const CFileException& e) {
        return {e.m_cause, e.m_lOsError};
    }
    return {-1, 0};
}

inline std::ostream& operator<<(std::ostream& out, const FileFailure& failure)
{
    return out << "cause " << failure.cause << ", errno " << failure.osError;
}

// The working format's header: 40 bytes, one plane, 24 bits, uncompressed, 360 dpi.
inline void ExpectWorkingHeader(const BITMAPINFOHEADER& h, int width, int height)
{
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, width);
    EXPECT_EQ(h.biHeight, height);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biXPelsPerMeter, 14173);
    EXPECT_EQ(h.biYPelsPerMeter, 14173);
}

}  // namespace codectest
