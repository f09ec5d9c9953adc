// SPDX-License-Identifier: GPL-3.0-or-later
// The exaggeration dialog and the switches between the deformed picture, the
// original and the grid.
#include <QMainWindow>
#include <QPointer>

#include "document/GrimassoDoc.h"
#include "framework/Application.h"
#include "framework/WaitCursor.h"
#include "session/PictureSession.h"
#include "view/ExaggerateDialog.h"
#include "view/GrimassoView.h"

void CGrimassoView::OnExaggerate()
{
    OnCaptureLost();
    PictureSession* session = GetDocument()->GetSession();
    if (!session)
        return;
    GetDocument()->SetShowOriginal(false);
    const QPointer<CGrimassoView> alive(this);
    {
        CWaitCursor wait;  // the restore point of a large picture takes a moment
        session->BeginExaggerate();
    }
    CExaggerateDialog dialog(
        [this, alive](double percent) {
            if (!alive)
                return;
            if (PictureSession* current = GetDocument()->GetSession()) {
                const ActingView acting(this);
                current->PreviewExaggerate(percent);
            }
        },
        TheMainWindow());
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    EndDialogGesture(alive, session, confirmed);
}

void CGrimassoView::OnViewOriginal()
{
    OnCaptureLost();
    if (GetDocument()->GetSession())
        GetDocument()->SetShowOriginal(!GetDocument()->ShowsOriginal());
}

void CGrimassoView::OnViewGrid()
{
    if (GetDocument()->GetSession())
        GetDocument()->SetShowGrid(!GetDocument()->ShowsGrid());
}
