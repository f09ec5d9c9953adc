#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The marks of the face the face dialog works on: its box and its 68 points,
// drawn over the picture in the view's logical coordinates.
struct FoundFace;
class QPainter;

void DrawFaceMarks(QPainter& painter, const FoundFace& face, double zoom);
