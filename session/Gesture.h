#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// One gesture on a picture, whatever its tool: begun (the warp field takes its
// restore point), previewed with new parameters as often as wanted, then
// committed as one step of the history or cancelled, which puts the picture of
// the restore point back exactly. The picture session holds the one gesture
// under way; each kind of gesture is a class of its own.
#include "deform/WarpField.h"
#include "session/PictureArea.h"

class Gesture {
public:
    virtual ~Gesture() = default;

    // The mode the gesture deforms in, which names its step in the history.
    virtual WarpMode Mode() const = 0;
    // Takes the restore point; raises CMemoryException with nothing begun.
    virtual void Begin(CWarpField& field) = 0;
    // Whether the gesture has touched the map (a drag only does at its first
    // movement): only then does its end make a step.
    virtual bool HasBegun() const { return true; }
    // Keeps the latest preview; returns the box of the picture that changed.
    virtual PictureArea Commit(CWarpField& field) = 0;
    // Puts back the restore point; returns the box of the picture that changed.
    virtual PictureArea Cancel(CWarpField& field) = 0;

protected:
    // The end of a gesture that may have changed any part of the picture.
    static PictureArea CommitWhole(CWarpField& field)
    {
        field.EndDeformation();
        return PictureArea::Whole(field.Width(), field.Height());
    }
    static PictureArea CancelWhole(CWarpField& field)
    {
        field.UndoDeformation();
        field.EndDeformation();
        return PictureArea::Whole(field.Width(), field.Height());
    }
};

// A gesture whose preview takes parameters of type Parameters.
template <class Parameters>
class PreviewingGesture : public Gesture {
public:
    // Deforms afresh from the restore point with parameters; returns the box of
    // the picture that changed (the previous preview's included).
    virtual PictureArea Preview(CWarpField& field, const Parameters& parameters) = 0;
};
