#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// One primitive tool operation, as grimasso-cli writes it: positions in picture
// pixels with x from the left and y from the top row.
#include <vector>

enum class ToolStepKind { Enlarge, Shrink, Drag };

struct ToolStep {
    ToolStepKind kind = ToolStepKind::Enlarge;
    int x = 0, y = 0;      // the circle's centre, or where the drag starts
    int toX = 0, toY = 0;  // where the drag ends
    double radius = 0;     // the region's radius, or the move-point radius of the drag
    double factor = 1;     // enlarge 1 to 10, shrink 0.01 to 1
    friend bool operator==(const ToolStep&, const ToolStep&) = default;
};

using ToolSteps = std::vector<ToolStep>;
