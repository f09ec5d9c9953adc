#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The document's "Video erzeugen" command: asks for length, frame rate and file
// (always starting from 2000 ms, 7 frames per second and "movie.avi"), writes
// the video of field with a progress window, and reports a failure.
class CWarpField;
class QWidget;

void RunVideoCommand(const CWarpField& field, QWidget* parent);
