#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What a view draws from when it is zoomed out: the area-averaged halved
// copies of the deformed picture and of the original. They are made at the
// first paint that needs them and then brought up to date only for the boxes
// that changed, so a gesture's repaint costs what its box costs.
#include <QRect>
#include <QRectF>
#include <cstdint>

#include "image/PicturePyramid.h"

class QPainter;
struct BITMAPINFOHEADER;

class PictureLevels {
public:
    // A box of the deformed picture changed: picture pixels, x from the left,
    // y from the bottom row, both corners inclusive.
    void NoteChanged(const QRect& box);
    // Draws the picture (rows, the deformed picture or with original its
    // undeformed one) stretched into target, as CGrimassoView::DrawPicture
    // does: below scale 1 from the level whose pixels are at least half a
    // screen pixel, smoothed; at scale 1 and above pixel for pixel.
    void Draw(QPainter& painter, const QRectF& target, const BITMAPINFOHEADER& header, const std::uint8_t* rows,
              bool original, const QRectF& visible);

    // The pyramid of the deformed picture (empty until a paint needed it).
    const PicturePyramid& Deformed() const { return m_deformed.pyramid; }

private:
    struct Kept {
        PicturePyramid pyramid;
        const std::uint8_t* builtFrom = nullptr;  // the rows it was built from
        QRect changed;                            // picture box not yet brought up to date
    };
    // The pyramid of rows up to date; false when there is no memory for it.
    static bool Refresh(Kept& kept, const BITMAPINFOHEADER& header, const std::uint8_t* rows);

    Kept m_deformed;
    Kept m_original;
};
