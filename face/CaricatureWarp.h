#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The automatic caricature's warp: a smooth backward map that takes every
// target of a caricature to the point it came from, so that the picture shows
// the face's features at the targets.
//
// Method: a thin-plate spline through the 68 pairs (target -> point), a few
// forehead points lifted from the brows (so that the top of the head follows
// the brows) and fixed anchors on a ring around the face. The spline rather
// than moving least squares: it is one linear system solved once per setting,
// interpolates the pairs exactly and is the smoothest such map (least bending
// energy), and its evaluation per grid node is a plain sum; moving least
// squares needs a weighted fit of its own at every node, and its course
// between the features depends on the choice of weights.
//
// Parameters (README, "The face gesture"): the ring is centred on the face's
// box at the box's diagonal (twice the distance of the box's corners), at
// least 1.25 times the farthest point or target; 32 anchors on it. Five
// forehead points lie above brow points 17, 19, 21/22 (their middle), 24 and
// 26 by half the distance from the brows' middle to the chin, measured on the
// points and on the targets alike. The displacement is evaluated on a grid of
// 8 pixels, or of a 64th of the ring's radius when that is more (so that the
// work stays bounded on very large faces), and fades out between 0.85 and
// 1.0 of the radius; beyond the ring nothing moves.
//
// It never folds: the grid's cells are interpolated bilinearly, and a bilinear
// cell keeps its orientation everywhere when the Jacobian at its four corners
// does. Where a cell's Jacobian at a corner falls below 0.1 (the identity's
// being 1), the displacements of the cell's four nodes are shrunk by a quarter
// toward zero, again until no cell is below; the rest of the warp stays as it is.
#include "deform/DisplacementGrid.h"
#include "face/Caricature.h"

struct CaricatureRing {
    FacePoint centre;  // x from the left, y from the top
    double radius = 0;
};

CaricatureRing RingOf(const FoundFace& face, const CaricatureShape& shape);

// The warp of shape (targets of face) on a picture of width x height, in the
// warp field's coordinates (y from the bottom); the identity when the targets
// are the points.
DisplacementGrid CaricatureGrid(const FoundFace& face, const CaricatureShape& shape, int width, int height);
