#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A plain model of the warp field for comparisons: every operation written
// straight from its formulas, one pixel at a time over the whole picture, on one
// thread, reading snapshots instead of relying on any visiting order. Slow, and
// meant to be obviously right.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "deform/WarpField.h"

namespace warptest {

class ReferenceWarp {
public:
    ReferenceWarp(std::int32_t width, std::int32_t height, std::int32_t radius)
        : m_width(width), m_height(height), m_radius(radius)
    {
        for (std::int32_t y = 0; y < height; ++y)
            for (std::int32_t x = 0; x < width; ++x)
                m_map.push_back(MapEntry{x, y});
        m_undo = m_map;
    }

    const std::vector<MapEntry>& Map() const { return m_map; }
    void SetRadius(std::int32_t radius) { m_radius = radius; }

    // Which undeformed pixel every pixel of the picture shows: the map's entry,
    // or the current move-point preview's sample inside its circle.
    std::vector<MapEntry> Shown() const
    {
        std::vector<MapEntry> shown = m_map;
        if (m_previewShown)
            shown = MovePointResult(m_preview[0], m_preview[1], m_preview[2], m_preview[3]);
        return shown;
    }

    void Begin(WarpMode mode)
    {
        m_previewShown = false;
        m_undo = m_map;
        m_canUndo = true;
        m_mode = mode;
        if (mode == ModeMovePoint)
            m_pending = {0, 0, 0, 0};
    }

    void End()
    {
        if (m_mode != ModeMovePoint)
            return;
        m_previewShown = false;
        if (m_pending[0] != m_pending[2] || m_pending[1] != m_pending[3])
            m_map = MovePointResult(m_pending[0], m_pending[1], m_pending[2], m_pending[3]);
        m_pending = {0, 0, 0, 0};
    }

    void Undo()
    {
        if (!m_canUndo)
            return;
        m_previewShown = false;
        m_map = m_undo;
        m_pending = {0, 0, 0, 0};
        m_canUndo = false;
    }

    void MovePointLive(std::int32_t& startX, std::int32_t& startY, std::int32_t tx, std::int32_t ty)
    {
        if (m_radius <= 0)
            return;
        const double s = m_radius * 0.6;
        const double dx = static_cast<double>(tx) - startX;
        const double dy = static_cast<double>(ty) - startY;
        if (dx * dx + dy * dy == 0.0)
            return;
        const double length = std::sqrt(dx * dx + dy * dy);
        std::int32_t px = startX, py = startY;
        if (length > s) {
            const int n = static_cast<int>(length / s);
            double x = px, y = py;
            for (int i = 0; i < n; ++i) {
                const double nx = dx / length * s + x;
                const double ny = dy / length * s + y;
                m_map = MovePointResult(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
                                        static_cast<std::int32_t>(nx), static_cast<std::int32_t>(ny));
                x = nx;
                y = ny;
            }
            startX = px = static_cast<std::int32_t>(x);
            startY = py = static_cast<std::int32_t>(y);
        }
        m_previewShown = true;
        m_preview = {px, py, tx, ty};
        m_pending = {px, py, tx, ty};
    }

    void Enlarge(std::int32_t cx, std::int32_t cy, double radius, double factor)
    {
        Radial(cx, cy, factor * radius, 1.0 - 1.0 / factor, true);
    }
    void Shrink(std::int32_t cx, std::int32_t cy, double radius, double factor)
    {
        Radial(cx, cy, radius, 1.0 - factor, false);
    }

    void Rotate(std::int32_t cx, std::int32_t cy, double radius, double angle, double amplification)
    {
        m_previewShown = false;
        m_map = m_undo;
        if (!(radius > 0.0))
            return;  // a region without size changes nothing
        const double theta = angle / 360.0 * 6.283185307;
        for (std::int32_t y = 0; y < m_height; ++y)
            for (std::int32_t x = 0; x < m_width; ++x) {
                const std::int64_t ex = std::int64_t{x} - cx, ey = std::int64_t{y} - cy;
                const double d = Distance(ex, ey);
                if (!(d <= radius))
                    continue;
                const double s = (1.0 - d * d / (radius * radius)) * amplification * (1.0 - d / radius);
                const double c = std::cos(s * theta), n = std::sin(s * theta);
                const double rx = static_cast<double>(ex) * c - static_cast<double>(ey) * n;
                const double ry = static_cast<double>(ey) * c + static_cast<double>(ex) * n;
                At(m_map, x, y) = SourceAt(m_undo, cx + Trunc(rx), cy + Trunc(ry));
            }
    }

    void Smooth()
    {
        m_previewShown = false;
        for (std::int32_t y = 1; y + 1 < m_height; ++y)
            for (std::int32_t x = 1; x + 1 < m_width; ++x) {
                std::array<std::int32_t, 9> xs{}, ys{};
                int i = 0;
                for (int j = -1; j <= 1; ++j)
                    for (int k = -1; k <= 1; ++k, ++i) {
                        xs[i] = At(m_undo, x + k, y + j).x;
                        ys[i] = At(m_undo, x + k, y + j).y;
                    }
                std::sort(xs.begin(), xs.end());
                std::sort(ys.begin(), ys.end());
                At(m_map, x, y) = MapEntry{xs[4], ys[4]};
            }
    }

private:
    std::int32_t m_width, m_height, m_radius;
    std::vector<MapEntry> m_map, m_undo;
    bool m_canUndo = false;
    WarpMode m_mode = ModeMovePoint;
    std::array<std::int32_t, 4> m_pending{};
    std::array<std::int32_t, 4> m_preview{};
    bool m_previewShown = false;

    static double Distance(std::int64_t ex, std::int64_t ey) { return std::sqrt(static_cast<double>(ex * ex + ey * ey)); }
    static std::int64_t Trunc(double v) { return static_cast<std::int64_t>(std::trunc(v)); }
    static std::int64_t Clamp(std::int64_t v, std::int32_t size) { return std::clamp<std::int64_t>(v, 0, size - 1); }
    MapEntry& At(std::vector<MapEntry>& map, std::int64_t x, std::int64_t y) const
    {
        return map[static_cast<std::size_t>(y * m_width + x)];
    }
    // The entry of map at (qx, qy), both clamped into the picture, clamped itself.
    MapEntry SourceAt(std::vector<MapEntry>& map, std::int64_t qx, std::int64_t qy) const
    {
        const MapEntry e = At(map, Clamp(qx, m_width), Clamp(qy, m_height));
        return MapEntry{static_cast<std::int32_t>(Clamp(e.x, m_width)), static_cast<std::int32_t>(Clamp(e.y, m_height))};
    }

    // The map after moving (ax, ay) to (cx, cy), every sample read from the map before the move.
    std::vector<MapEntry> MovePointResult(std::int32_t ax, std::int32_t ay, std::int32_t cx, std::int32_t cy) const
    {
        std::vector<MapEntry> before = m_map, after = m_map;
        if (m_radius <= 0)
            return after;
        const double r = m_radius;
        const std::int64_t dx = std::int64_t{ax} - cx, dy = std::int64_t{ay} - cy;
        for (std::int32_t y = 0; y < m_height; ++y)
            for (std::int32_t x = 0; x < m_width; ++x) {
                const double d = Distance(std::int64_t{cx} - x, std::int64_t{cy} - y);
                if (!(r > d))
                    continue;
                const double w = 1.0 - d / r;
                At(after, x, y) = SourceAt(before, x + Trunc(static_cast<double>(dx) * w), y + Trunc(static_cast<double>(dy) * w));
            }
        return after;
    }

    void Radial(std::int32_t cx, std::int32_t cy, double radius, double strength, bool towardCentre)
    {
        m_previewShown = false;
        m_map = m_undo;
        if (!(radius > 0.0))
            return;
        for (std::int32_t y = 0; y < m_height; ++y)
            for (std::int32_t x = 0; x < m_width; ++x) {
                const std::int64_t ex = towardCentre ? std::int64_t{cx} - x : std::int64_t{x} - cx;
                const std::int64_t ey = towardCentre ? std::int64_t{cy} - y : std::int64_t{y} - cy;
                const double d = Distance(ex, ey);
                if (!(d <= radius))
                    continue;
                const double k = (1.0 - d / radius) * strength;
                At(m_map, x, y) = SourceAt(m_undo, x + Trunc(static_cast<double>(ex) * k), y + Trunc(static_cast<double>(ey) * k));
            }
    }
};

}  // namespace warptest
