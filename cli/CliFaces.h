#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The face steps of grimasso-cli: finding the faces of the picture as it
// stands, the face list as JSON and the face gesture's steps written out.
#include <string>
#include <vector>

#include "face/Caricature.h"
#include "face/FoundFace.h"
#include "deform/ToolStep.h"

class PictureSession;

// The faces of the session's deformed picture, the largest first; throws
// CliFailure when face recognition is not installed.
std::vector<FoundFace> FindFacesIn(const PictureSession& session);

// The faces as a JSON list: for each its box, its 68 points and the centres of
// its eyes, nose, mouth and chin; x from the left, y from the top.
std::string FacesAsJson(const std::vector<FoundFace>& faces);

// The model's mean face; throws CliFailure when face recognition is not installed.
FaceShape MeanFaceOfModel();

// The caricature's shape as JSON: "points", "mean" and "targets", 68 [x, y]
// each, x from the left, y from the top.
std::string CaricatureAsJson(const CaricatureShape& shape);

// The steps in grimasso-cli's own syntax, one a line: a drag's move-point radius
// as a --radius line before it, and radiusAfter set again at the end when a
// drag changed it.
std::string ExplainSteps(const ToolSteps& steps, int radiusAfter);
