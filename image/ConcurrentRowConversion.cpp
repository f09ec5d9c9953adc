// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/ConcurrentRowConversion.h"

#include <algorithm>
#include <system_error>

#include "image/PictureOrientation.h"
#include "image/SrgbConversion.h"

namespace {
// Rows converted at a time: large enough that claiming costs nothing, small
// enough that the helper follows the decoder closely.
constexpr std::int32_t kBandRows = 16;
}  // namespace

ConcurrentRowConversion::ConcurrentRowConversion(const SrgbConversion* conversion, std::uint8_t* rows,
                                                 std::ptrdiff_t rowBytes, std::int32_t width, std::int32_t height,
                                                 int orientation, std::uint8_t* upright)
    : m_conversion(conversion), m_orientation(orientation), m_upright(upright), m_rows(rows), m_rowBytes(rowBytes),
      m_width(width), m_height(height)
{
    try {
        m_helper = std::thread([this] { ConvertBands(); });
    } catch (const std::system_error&) {
        // No thread to be had: Finish converts everything on the caller's thread.
    }
}

ConcurrentRowConversion::~ConcurrentRowConversion()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_abandoned = true;
    }
    m_decoded.notify_all();
    if (m_helper.joinable())
        m_helper.join();
}

void ConcurrentRowConversion::RowsDecoded(std::int32_t topRows)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_decodedRows = topRows;
    }
    m_decoded.notify_one();
}

void ConcurrentRowConversion::Finish()
{
    RowsDecoded(m_height);
    ConvertBands();
    if (m_helper.joinable())
        m_helper.join();
}

void ConcurrentRowConversion::ConvertBands()
{
    for (;;) {
        const std::int32_t top = m_nextBand.fetch_add(1) * kBandRows;
        if (top >= m_height)
            return;
        const std::int32_t end = std::min(m_height, top + kBandRows);
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_decoded.wait(lock, [&] { return m_abandoned || m_decodedRows >= end; });
            if (m_abandoned && m_decodedRows < end)
                return;
        }
        for (std::int32_t y = top; y < end && m_conversion != nullptr; ++y) {
            std::uint8_t* row = m_rows + static_cast<std::ptrdiff_t>(m_height - 1 - y) * m_rowBytes;
            m_conversion->Convert(row, row, static_cast<std::uint32_t>(m_width));
        }
        if (m_upright != nullptr)
            WriteUprightFromStoredRows(StoredPicture{m_rows, m_width, m_height}, m_orientation, m_upright, top, end);
    }
}
