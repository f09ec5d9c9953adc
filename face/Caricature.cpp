// SPDX-License-Identifier: GPL-3.0-or-later
#include "face/Caricature.h"

Similarity FitSimilarity(const FaceShape& from, const FaceShape& to)
{
    const double count = static_cast<double>(from.size());
    FacePoint fromCentre, toCentre;
    for (std::size_t i = 0; i < from.size(); ++i) {
        fromCentre = {fromCentre.x + from[i].x / count, fromCentre.y + from[i].y / count};
        toCentre = {toCentre.x + to[i].x / count, toCentre.y + to[i].y / count};
    }
    // With both shapes about their centres, a and b solve the normal equations
    // of the linear least-squares problem in (a, b).
    double dot = 0, cross = 0, norm = 0;
    for (std::size_t i = 0; i < from.size(); ++i) {
        const double fx = from[i].x - fromCentre.x, fy = from[i].y - fromCentre.y;
        const double gx = to[i].x - toCentre.x, gy = to[i].y - toCentre.y;
        dot += fx * gx + fy * gy;
        cross += fx * gy - fy * gx;
        norm += fx * fx + fy * fy;
    }
    Similarity s;
    if (norm > 0) {
        s.a = dot / norm;
        s.b = cross / norm;
    }
    s.tx = toCentre.x - (s.a * fromCentre.x - s.b * fromCentre.y);
    s.ty = toCentre.y - (s.b * fromCentre.x + s.a * fromCentre.y);
    return s;
}

CaricatureShape CaricatureOf(const FoundFace& face, const FaceShape& meanFace, int percent)
{
    CaricatureShape shape;
    shape.points = face.points;
    const Similarity place = FitSimilarity(meanFace, face.points);
    const double k = percent / 100.0;
    for (std::size_t i = 0; i < shape.points.size(); ++i) {
        const FacePoint p = shape.points[i], m = place(meanFace[i]);
        shape.mean[i] = m;
        // At 100 % the points themselves: m + (p - m) need not round back to p.
        shape.targets[i] = percent == 100 ? p : FacePoint{m.x + k * (p.x - m.x), m.y + k * (p.y - m.y)};
    }
    return shape;
}
