#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// "Gitter anzeigen": thin lines over the picture where the undeformed picture's
// every 32nd column and row ends up. A pixel of the deformed picture lies on
// the grid when its map entry's column or row is a multiple of 32 (in the
// original itself, its own column or row). Drawn on the screen only.
#include <QRect>

class CWarpField;
class QPainter;

constexpr int kGridSpacing = 32;

// Paints the grid over the picture drawn at zoom with its top-left corner at
// the logical origin, inside the logical area exposed. At a zoom below 1 a
// screen pixel shows a line when any picture pixel it covers lies on it; above
// 1 a line is one screen pixel wide, through the middle of its picture pixels.
// undeformed: the grid of the original (straight lines).
void DrawGridOverlay(QPainter& painter, const CWarpField& field, bool undeformed, double zoom, const QRect& exposed);
