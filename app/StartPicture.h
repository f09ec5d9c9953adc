#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The picture that the start screen and the About box show (480 x 360 pixels,
// 256 colours), read from the program's resources with our own bitmap reader.
#include <QImage>
#include <QSize>

// The start picture, or a null image when it cannot be read.
QImage LoadStartPicture();
// Reads a Windows bitmap file held in memory; a null image when it is not one.
QImage ReadBitmapBytes(const QByteArray& bytes);
// The size both windows take when the picture is missing.
constexpr QSize kStartPictureSize(480, 360);
