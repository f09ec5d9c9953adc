// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/PictureLevels.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <new>

#include "image/DibImage.h"
#include "view/GrimassoView.h"

void PictureLevels::NoteChanged(const QRect& box)
{
    // The original never changes under a view; a new picture is a new rows pointer.
    m_deformed.changed = m_deformed.changed.isNull() ? box : m_deformed.changed.united(box);
}

bool PictureLevels::Refresh(Kept& kept, const BITMAPINFOHEADER& header, const std::uint8_t* rows)
{
    PicturePyramid& pyramid = kept.pyramid;
    try {
        if (pyramid.Empty() || kept.builtFrom != rows || pyramid.Width() != header.biWidth ||
            pyramid.Height() != header.biHeight) {
            kept.builtFrom = nullptr;
            pyramid.Build(header.biWidth, header.biHeight, rows);
            kept.builtFrom = rows;
        } else if (!kept.changed.isNull()) {
            const QRect& c = kept.changed;
            pyramid.Update(rows, c.left(), c.top(), c.right(), c.bottom());
        }
    } catch (const std::bad_alloc&) {
        pyramid.Clear();
        kept.builtFrom = nullptr;
    }
    kept.changed = QRect();
    return !pyramid.Empty();
}

void PictureLevels::Draw(QPainter& painter, const QRectF& target, const BITMAPINFOHEADER& header,
                         const std::uint8_t* rows, bool original, const QRectF& visible)
{
    const int width = header.biWidth;
    const int height = header.biHeight;
    if (width <= 0 || height <= 0 || target.isEmpty())
        return;
    const double sx = target.width() / width;
    const double sy = target.height() / height;
    const double scale = std::max(sx, sy);
    // Level k's pixels span 2^k picture pixels: the deepest level whose pixels
    // still cover about half a screen pixel or more (a zoomed size rounded up
    // makes zoom 1/2 of an odd picture a little more than 1/2).
    constexpr double kRoundingSlack = 1.0 / 16;
    const int wanted = scale < 1.0 ? static_cast<int>(std::floor(std::log2(1.0 / scale) + kRoundingSlack)) : 0;
    Kept& kept = original ? m_original : m_deformed;
    if (wanted == 0 || !Refresh(kept, header, rows)) {
        CGrimassoView::DrawPicture(painter, target, header, rows, visible, scale < 1.0);
        return;
    }
    const int k = std::min(wanted, kept.pyramid.Levels());
    const PyramidLevel& level = kept.pyramid.Level(k);
    const double span = std::ldexp(1.0, k);
    // Level row 0 covers the picture's bottom rows: the level is anchored at the
    // bottom-left and reaches past the top and the right at an odd edge.
    const double levelWidth = level.width * span * sx;
    const double levelHeight = level.height * span * sy;
    const QRectF levelTarget(target.left(), target.top() + target.height() - levelHeight, levelWidth, levelHeight);
    // Blue, green, red and 255 a pixel is the screen's own layout.
    const QImage image(level.rows.data(), level.width, level.height, static_cast<qsizetype>(level.rowBytes),
                       QImage::Format_RGB32);
    const bool exact = span * sx == 1.0 && span * sy == 1.0;
    painter.save();
    painter.setClipRect(target, Qt::IntersectClip);
    CGrimassoView::DrawBottomUp(painter, levelTarget, image, visible.intersected(target), !exact);
    painter.restore();
}
