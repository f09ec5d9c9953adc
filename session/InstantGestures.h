#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Gestures made at once, without previews: smoothing, a saved document's
// deformation carried over to the picture, and the automatic caricature.
#include <cstdint>

#include "deform/DisplacementGrid.h"

#include "session/Gesture.h"

class SmoothGesture : public Gesture {
public:
    WarpMode Mode() const override { return ModeSmooth; }
    void Begin(CWarpField& field) override;
    PictureArea Commit(CWarpField& field) override { return CommitWhole(field); }
    PictureArea Cancel(CWarpField& field) override { return CancelWhole(field); }
};

class CarriedDeformationGesture : public Gesture {
public:
    // saved: a map of savedWidth x savedHeight, which must outlive the gesture.
    CarriedDeformationGesture(const MapEntry* saved, std::int32_t savedWidth, std::int32_t savedHeight)
        : m_saved(saved), m_savedWidth(savedWidth), m_savedHeight(savedHeight)
    {
    }
    WarpMode Mode() const override { return ModeApplyDeformation; }
    void Begin(CWarpField& field) override;
    PictureArea Commit(CWarpField& field) override { return CommitWhole(field); }
    PictureArea Cancel(CWarpField& field) override { return CancelWhole(field); }

private:
    const MapEntry* m_saved;
    std::int32_t m_savedWidth, m_savedHeight;
};

class CaricatureGesture : public Gesture {
public:
    explicit CaricatureGesture(DisplacementGrid warp) : m_warp(std::move(warp)) {}
    WarpMode Mode() const override { return ModeCaricature; }
    void Begin(CWarpField& field) override;
    PictureArea Commit(CWarpField& field) override { return CommitWhole(field); }
    PictureArea Cancel(CWarpField& field) override { return CancelWhole(field); }

private:
    DisplacementGrid m_warp;
};
