#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The toolbar's pictures, drawn with vector strokes so that they stay crisp at
// every size and screen scale, and the program's icon.
#include <QIcon>

class QPainter;

// The button picture of command id (an empty icon for commands without one).
QIcon ToolbarIcon(int commandId);
// The program's icon: the grinning face of the start picture, as installed.
QIcon ApplicationIcon();
// Draws the picture of command id into the 16 x 16 square at the origin;
// false when the command has no picture.
bool DrawToolbarPicture(QPainter& painter, int commandId);
