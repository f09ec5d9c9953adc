// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/GridOverlay.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

#include "deform/WarpField.h"

namespace {

// The picture pixels (top-down index) one screen line covers at zoom, and
// whether that screen line runs through the middle of its first picture pixel.
struct Coverage {
    int first;
    int last;
    bool middle;
};

std::vector<Coverage> CoverageOf(int screenBegin, int screenEnd, double zoom, int pictureSize)
{
    std::vector<Coverage> lines;
    lines.reserve(static_cast<std::size_t>(std::max(0, screenEnd - screenBegin)));
    for (int s = screenBegin; s < screenEnd; ++s) {
        const int first = std::clamp(static_cast<int>(std::floor(s / zoom)), 0, pictureSize - 1);
        const int last = std::clamp(static_cast<int>(std::ceil((s + 1) / zoom)) - 1, first, pictureSize - 1);
        const bool middle = zoom <= 1.0 || static_cast<int>(std::floor((first + 0.5) * zoom)) == s;
        lines.push_back(Coverage{first, last, middle});
    }
    return lines;
}

// Dashes of two colours, one of which stands out on any photo.
QRgb LineColour(int x, int y)
{
    return ((x + y) / 4) % 2 ? qRgba(255, 224, 0, 255) : qRgba(0, 64, 255, 255);
}

}  // namespace

void DrawGridOverlay(QPainter& painter, const CWarpField& field, bool undeformed, double zoom, const QRect& exposed)
{
    const int width = field.Width(), height = field.Height();
    if (width <= 0 || height <= 0 || !(zoom > 0.0))
        return;
    const QRect picture(0, 0, static_cast<int>(std::floor(width * zoom + 0.5)),
                        static_cast<int>(std::floor(height * zoom + 0.5)));
    const QRect area = exposed & picture;
    if (area.isEmpty())
        return;
    const std::vector<Coverage> columns = CoverageOf(area.left(), area.right() + 1, zoom, width);
    const std::vector<Coverage> rows = CoverageOf(area.top(), area.bottom() + 1, zoom, height);
    const MapEntry* map = field.Map();

    QImage overlay(area.size(), QImage::Format_ARGB32_Premultiplied);
    overlay.fill(Qt::transparent);
    for (int j = 0; j < area.height(); ++j) {
        const Coverage& row = rows[static_cast<std::size_t>(j)];
        auto* line = reinterpret_cast<QRgb*>(overlay.scanLine(j));
        for (int i = 0; i < area.width(); ++i) {
            const Coverage& column = columns[static_cast<std::size_t>(i)];
            bool onGrid = false;
            for (int y = row.first; y <= row.last && !onGrid; ++y) {
                const int storedRow = height - 1 - y;  // the map counts rows from the bottom
                const MapEntry* entries = map + static_cast<std::size_t>(storedRow) * static_cast<std::size_t>(width);
                for (int x = column.first; x <= column.last && !onGrid; ++x) {
                    const int sourceX = undeformed ? x : entries[x].x;
                    const int sourceY = undeformed ? storedRow : entries[x].y;
                    onGrid = (column.middle && sourceX % kGridSpacing == 0) ||
                             (row.middle && sourceY % kGridSpacing == 0);
                }
            }
            if (onGrid)
                line[i] = LineColour(area.left() + i, area.top() + j);
        }
    }
    painter.drawImage(area.topLeft(), overlay);
}
