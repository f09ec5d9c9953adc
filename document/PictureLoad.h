#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Opens a picture file on a thread of its own, its warp field built there too,
// while the editor keeps painting: a load longer than half a second shows a
// modal progress window whose "Abbrechen" ends it at the reader's next
// checkpoint. Until that window is up, the user's input to the editor is held
// back, so that no command runs while the load is under way.
#include <memory>
#include <string>

class PictureSession;
class QWidget;

// The session, its warp field built; null when the user cancelled, with
// nothing left behind. Raises what PictureSession::Open and Field raise.
std::unique_ptr<PictureSession> LoadPictureWithProgress(const std::string& path, QWidget* owner);
