#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A real face's box and points (the sample portrait's, as the finder placed
// them), shifted by (dx, dy) and scaled by scale about the origin.
#include "face/FoundFace.h"

namespace facetest {

inline FoundFace PortraitFace(double dx = 0, double dy = 0, double scale = 1)
{
    static constexpr int kPoints[68][2] = {
        {179, 105}, {179, 117}, {180, 128}, {182, 139}, {185, 150}, {191, 160}, {200, 169}, {210, 176}, {221, 178},
        {232, 177}, {243, 171}, {253, 163}, {260, 154}, {265, 143}, {268, 131}, {270, 120}, {272, 109}, {186, 93},
        {192, 88},  {200, 87},  {208, 89},  {216, 92},  {236, 93},  {244, 91},  {252, 90},  {260, 92},  {265, 98},
        {226, 102}, {225, 111}, {225, 119}, {225, 127}, {214, 131}, {219, 133}, {224, 134}, {229, 133}, {234, 132},
        {195, 101}, {200, 98},  {207, 98},  {212, 104}, {206, 104}, {199, 104}, {237, 105}, {244, 100}, {250, 100},
        {255, 104}, {250, 107}, {244, 106}, {200, 139}, {209, 139}, {218, 139}, {224, 141}, {230, 140}, {238, 140},
        {246, 141}, {237, 151}, {229, 155}, {222, 156}, {216, 155}, {208, 150}, {203, 140}, {218, 143}, {223, 144},
        {229, 143}, {243, 142}, {229, 150}, {223, 150}, {217, 149}};
    FoundFace face;
    face.box = {(176 + dx) * scale, (77 + dy) * scale, 90 * scale, 90 * scale};
    for (int i = 0; i < 68; ++i)
        face.points[static_cast<std::size_t>(i)] = {(kPoints[i][0] + dx) * scale, (kPoints[i][1] + dy) * scale};
    return face;
}

}  // namespace facetest
