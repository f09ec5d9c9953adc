#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The "Video erzeugen" command: asks for length, frame rate and file (always
// starting from 2000 ms, 7 frames per second and "movie.avi"), has session
// write its video with a progress window, and reports a failure.
class PictureSession;
class QWidget;

void RunVideoCommand(PictureSession& session, QWidget* parent);
