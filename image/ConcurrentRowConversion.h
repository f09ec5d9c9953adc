#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Finishes a picture's rows on a second thread while a decoder is still
// producing the later rows: converts their colours to sRGB and turns them
// upright into a second picture, either or both, so a colour-managed phone
// photo takes hardly longer to open than its decoding alone. Once the decoder
// is done, the rows left are shared between both threads.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

class SrgbConversion;

class ConcurrentRowConversion {
public:
    // rows: bottom-up blue-green-red rows of width x height pixels, rowBytes
    // apart. conversion may be null; so may upright, else the rows go there
    // turned as the Exif orientation (2 to 8) says (see WriteUprightRows).
    ConcurrentRowConversion(const SrgbConversion* conversion, std::uint8_t* rows, std::ptrdiff_t rowBytes,
                            std::int32_t width, std::int32_t height, int orientation = 1,
                            std::uint8_t* upright = nullptr);
    // Stops the helper (after Finish, or abandoned when decoding failed).
    ~ConcurrentRowConversion();
    ConcurrentRowConversion(const ConcurrentRowConversion&) = delete;
    ConcurrentRowConversion& operator=(const ConcurrentRowConversion&) = delete;

    // The decoder has written the picture's rows [0, topRows) counted from the top.
    void RowsDecoded(std::int32_t topRows);
    // Converts whatever is left, with the helper, and returns when every row is converted.
    void Finish();

private:
    // Claims and converts bands until none is left or decoding is abandoned.
    void ConvertBands();

    const SrgbConversion* m_conversion;
    int m_orientation;
    std::uint8_t* m_upright;
    std::uint8_t* m_rows;
    std::ptrdiff_t m_rowBytes;
    std::int32_t m_width;
    std::int32_t m_height;
    std::atomic<std::int32_t> m_nextBand{0};
    std::int32_t m_decodedRows = 0;  // guarded by m_mutex
    bool m_abandoned = false;        // guarded by m_mutex
    std::mutex m_mutex;
    std::condition_variable m_decoded;
    std::thread m_helper;
};
