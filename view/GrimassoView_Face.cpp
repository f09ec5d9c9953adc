// SPDX-License-Identifier: GPL-3.0-or-later
// "Gesicht karikieren": the faces are found first, then the face dialog runs as
// one gesture of the picture session; every slider change previews the whole
// composition afresh (the automatic caricature's warp, then the features' steps
// on the points where it put them), OK keeps it as one step of Undo, Abbrechen
// puts the picture back.
#include <QMainWindow>
#include <QPointer>

#include "document/GrimassoDoc.h"
#include "face/CaricatureWarp.h"
#include "face/FaceFinder.h"
#include "face/FaceGesture.h"
#include "framework/Application.h"
#include "framework/MessageBox.h"
#include "image/Exceptions.h"
#include "resources/StringIds.h"
#include "session/PictureSession.h"
#include "view/FaceCaricatureDialog.h"
#include "view/FaceSearch.h"
#include "view/GrimassoView.h"

void CGrimassoView::OnFaceCaricature()
{
    OnCaptureLost();
    CGrimassoDoc* document = GetDocument();
    PictureSession* session = document->GetSession();
    if (!session)
        return;
    const QPointer<CGrimassoView> alive(this);
    const std::optional<std::vector<FoundFace>> found = SearchFaces(*session, TheMainWindow());
    if (!alive || !found || document->GetSession() != session)
        return;
    const std::vector<FoundFace>& faces = *found;
    const std::int32_t width = session->Width(), height = session->Height();

    try {
        session->BeginFace();
    } catch (const CMemoryException&) {
        AfxMessageBox(IDS_FACE_OUT_OF_MEMORY);
        return;
    }
    document->SetShownFace(&faces.front());
    int shown = 0;
    // The model's file was read for the search; its mean face comes from it.
    std::optional<FaceShape> meanFace;
    try {
        meanFace = FaceFinder::Shared().MeanFace();
    } catch (const FaceRecognitionUnavailable&) {
    }
    // The warp and the moved points of the latest caricature setting: a
    // feature's slider reuses them.
    struct Caricatured {
        int percent = tool_limits::kCaricature.start;
        int face = -1;
        FoundFace points;
        DisplacementGrid warp;
    } caricatured;
    auto preview = [&](const FaceSettings& settings, int caricature, int face) {
        if (!alive || document->GetSession() != session || !session->InFaceGesture())
            return;
        if (face != shown) {
            shown = face;
            document->SetShownFace(&faces[static_cast<std::size_t>(face)]);
        }
        const FoundFace& found = faces[static_cast<std::size_t>(face)];
        if (caricature != caricatured.percent || face != caricatured.face) {
            caricatured = {caricature, face, found, {}};
            if (caricature != tool_limits::kCaricature.start && meanFace) {
                const CaricatureShape shape = CaricatureOf(found, *meanFace, caricature);
                caricatured.warp = CaricatureGrid(found, shape, width, height);
                caricatured.points.points = shape.targets;
            }
        }
        const ActingView acting(this);
        session->PreviewFacePlan(FacePlan{caricatured.warp, FaceGestureSteps(caricatured.points, settings, width, height)});
    };
    CFaceCaricatureDialog dialog(static_cast<int>(faces.size()), preview, TheMainWindow());
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    // A dialog at its start values changes nothing: no step for Undo.
    const bool keep = confirmed && (!dialog.Settings().IsNeutral() || dialog.Caricature() != tool_limits::kCaricature.start);

    if (EndDialogGesture(alive, session, keep))
        document->SetShownFace(nullptr);
}
