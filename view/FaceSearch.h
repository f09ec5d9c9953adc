#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Finds the faces of a session's picture on a thread of its own while a busy
// window keeps the editor responsive; the model is loaded there at the first use.
#include <optional>
#include <vector>

#include "face/FoundFace.h"

class PictureSession;
class QWidget;

// The faces, the largest first; nullopt after a German message when face
// recognition is not installed, fails, or finds no face.
std::optional<std::vector<FoundFace>> SearchFaces(const PictureSession& session, QWidget* owner);
