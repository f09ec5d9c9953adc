// SPDX-License-Identifier: GPL-3.0-or-later
// "Gesicht karikieren": the faces are found first, then the face dialog runs as
// one gesture of the picture session; every slider change previews the whole
// composition afresh, OK keeps it as one step of Undo, Abbrechen puts the
// picture back.
#include <QMainWindow>
#include <QPointer>

#include "document/GrimassoDoc.h"
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
    auto preview = [&](const FaceSettings& settings, int face) {
        if (!alive || document->GetSession() != session || !session->InFaceGesture())
            return;
        if (face != shown) {
            shown = face;
            document->SetShownFace(&faces[static_cast<std::size_t>(face)]);
        }
        const ActingView acting(this);
        session->PreviewFace(FaceGestureSteps(faces[static_cast<std::size_t>(face)], settings, width, height));
    };
    CFaceCaricatureDialog dialog(static_cast<int>(faces.size()), preview, TheMainWindow());
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    // A dialog at its start values changes nothing: no step for Undo.
    const bool keep = confirmed && !dialog.Settings().IsNeutral();

    if (EndDialogGesture(alive, session, keep))
        document->SetShownFace(nullptr);
}
