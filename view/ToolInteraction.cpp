// SPDX-License-Identifier: GPL-3.0-or-later
// The interactive side of the picture view: the four deformation tools on the
// left mouse button, the region dialogs and their previews, and the Undo,
// smoothing and move-options commands. Every change to the picture is made by
// the document's picture session, which names the part it changed; this file
// decides when and with which points, and repaints the part it is told of.
#include <QMainWindow>
#include <QMouseEvent>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <memory>

#include "deform/WarpArithmetic.h"
#include "document/GrimassoDoc.h"
#include "framework/Application.h"
#include "framework/CommandIds.h"
#include "framework/MessageBox.h"
#include "framework/WaitCursor.h"
#include "resources/StringIds.h"
#include "session/PictureSession.h"
#include "view/EnlargeDialog.h"
#include "view/GrimassoView.h"
#include "view/MoveOptionsDialog.h"
#include "view/RotateDialog.h"
#include "view/ShrinkDialog.h"

namespace {

struct ToolCommand {
    int id;
    int mode;
};
constexpr ToolCommand kToolCommands[] = {
    {ID_MOVE_POINT, CGrimassoView::kMovePoint},
    {ID_ENLARGE, CGrimassoView::kEnlarge},
    {ID_SHRINK, CGrimassoView::kShrink},
    {ID_ROTATE, CGrimassoView::kRotate},
};

// Union of two boxes where either may be null.
QRect United(const QRect& a, const QRect& b)
{
    if (a.isNull())
        return b;
    if (b.isNull())
        return a;
    return a.united(b);
}

}  // namespace

// ---- Commands ----------------------------------------------------------------

bool CGrimassoView::OnToolCmdMsg(int id)
{
    for (const ToolCommand& command : kToolCommands) {
        if (command.id == id) {
            SetToolMode(command.mode);
            return true;
        }
    }
    switch (id) {
    case ID_EDIT_UNDO:
        OnEditUndo();
        return true;
    case ID_STEP_BACK:
    case ID_STEP_FORWARD:
        OnStep(id == ID_STEP_FORWARD);
        return true;
    case ID_SMOOTH:
        OnSmooth();
        return true;
    case ID_MOVE_OPTIONS:
        OnMoveOptions();
        return true;
    case ID_FACE_CARICATURE:
        OnFaceCaricature();
        return true;
    case ID_EXAGGERATE:
        OnExaggerate();
        return true;
    case ID_VIEW_ORIGINAL:
        OnViewOriginal();
        return true;
    case ID_VIEW_GRID:
        OnViewGrid();
        return true;
    default:
        return false;
    }
}

bool CGrimassoView::OnToolUpdateCmdUI(CCmdUI& ui)
{
    for (const ToolCommand& command : kToolCommands) {
        if (command.id == ui.m_nID) {
            ui.Enable(true);
            ui.SetCheck(m_nToolMode == command.mode);
            return true;
        }
    }
    const PictureSession* session = GetDocument()->GetSession();
    switch (ui.m_nID) {
    case ID_EDIT_UNDO:
        ui.Enable(session && session->CanUndo());
        return true;
    case ID_STEP_BACK:
        ui.Enable(session && session->CanStepBack());
        return true;
    case ID_STEP_FORWARD:
        ui.Enable(session && session->CanStepForward());
        return true;
    case ID_SMOOTH:
        ui.Enable(session != nullptr);
        return true;
    case ID_MOVE_OPTIONS:
        ui.Enable(m_nToolMode == kMovePoint);
        return true;
    case ID_FACE_CARICATURE:
        ui.Enable(session != nullptr);
        return true;
    case ID_EXAGGERATE:
        ui.Enable(session != nullptr);
        return true;
    case ID_VIEW_ORIGINAL:
        ui.Enable(session != nullptr);
        ui.SetCheck(GetDocument()->ShowsOriginal());
        return true;
    case ID_VIEW_GRID:
        ui.Enable(session != nullptr);
        ui.SetCheck(GetDocument()->ShowsGrid());
        return true;
    default:
        return false;
    }
}

void CGrimassoView::SetToolMode(int mode)
{
    // A drag still under way (a command by keyboard) is finished first.
    OnCaptureLost();
    m_nToolMode = mode;
    if (mode != kMovePoint)
        m_bShowCircle = false;
    RedrawNow();
}

void CGrimassoView::OnEditUndo()
{
    OnCaptureLost();
    GetDocument()->SetShowOriginal(false);
    PictureSession* session = GetDocument()->GetSession();
    if (!session || !session->CanUndo())
        return;
    const ActingView acting(this);
    session->Undo();
}

void CGrimassoView::OnStep(bool forward)
{
    OnCaptureLost();
    if (PictureSession* session = GetDocument()->GetSession())
        GoToStep(session->History().Position() + (forward ? 1 : 0) - (forward ? 0 : 1));
}

void CGrimassoView::GoToStep(std::size_t position)
{
    OnCaptureLost();
    GetDocument()->SetShowOriginal(false);
    PictureSession* session = GetDocument()->GetSession();
    if (!session || position > session->History().Count())
        return;
    try {
        CWaitCursor wait;
        const ActingView acting(this);
        session->GoToStep(position);
    } catch (const std::exception&) {
        AfxMessageBox(IDS_HISTORY_NO_MEMORY);
    }
}

void CGrimassoView::OnSmooth()
{
    OnCaptureLost();
    GetDocument()->SetShowOriginal(false);
    PictureSession* session = GetDocument()->GetSession();
    if (!session)
        return;
    {
        CWaitCursor wait;
        const ActingView acting(this);
        session->Smooth();
    }
}

void CGrimassoView::OnMoveOptions()
{
    PictureSession* session = GetDocument()->GetSession();
    if (!session || m_nToolMode != kMovePoint)
        return;
    GetDocument()->SetShowOriginal(false);
    CMoveOptionsDialog dialog(TheMainWindow());
    dialog.m_nRadius = static_cast<std::uint32_t>(session->GetRadius());
    if (dialog.DoModal() != QDialog::Accepted)
        return;
    // The dialog ran its own event loop: ask the document again.
    if (PictureSession* current = GetDocument()->GetSession())
        current->SetRadius(static_cast<std::int32_t>(dialog.m_nRadius));
}

// ---- Repainting ---------------------------------------------------------------

QRect CGrimassoView::PictureAreaToViewport(const QRect& pictureArea) const
{
    if (pictureArea.isNull())
        return QRect();
    const int height = GetDocument()->GetPictureSize().height();
    // Rows counted downwards, then the zoomed pixels they cover, one to spare;
    // zoomed out, a halved copy's pixel and its smoothing reach two more.
    const int spare = m_dZoom < 1.0 ? 3 : 1;
    const double top = height - 1 - pictureArea.bottom();
    const double bottom = height - 1 - pictureArea.top();
    const int left = ClampedFloor(pictureArea.left() * m_dZoom) - spare;
    const int right = ClampedCeil((pictureArea.right() + 1.0) * m_dZoom) + spare;
    const int upper = ClampedFloor(top * m_dZoom) - spare;
    const int lower = ClampedCeil((bottom + 1.0) * m_dZoom) + spare;
    const QRect logical(left, upper, right - left, lower - upper);
    return logical.translated(-ScrollPosition()) & viewport()->rect();
}

void CGrimassoView::RepaintNow(const QRect& rect)
{
    QRect area = rect;
    const QPoint scroll = ScrollPosition();
    // The circle on screen goes (or moves) with this paint.
    const QRect circle = ToolCircleRect();
    if (!m_rcCircleShown.isNull())
        area = United(area, m_rcCircleShown.translated(-scroll));
    if (!circle.isNull())
        area = United(area, circle.translated(-scroll));
    m_rcCircleShown = circle;
    area &= viewport()->rect();
    if (!area.isEmpty())
        viewport()->repaint(area);
}

void CGrimassoView::UpdatePictureArea(const QRect& pictureArea)
{
    if (pictureArea.isNull())
        return;
    m_levels.NoteChanged(pictureArea);
    // The view whose gesture changed the picture shows it at once, the others
    // at their next paint.
    if (m_bActing)
        RepaintNow(PictureAreaToViewport(pictureArea));
    else
        viewport()->update(PictureAreaToViewport(pictureArea));
}

// ---- Mouse ---------------------------------------------------------------------

void CGrimassoView::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const bool panButton = event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && m_bSpaceHeld);
    if (panButton && !m_bCapture && !m_bPanning)
        BeginPan(at);
    else if (event->button() == Qt::LeftButton && !m_bCapture && !m_bPanning)
        OnLButtonDown(at);
    event->accept();
}

void CGrimassoView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_bPanning) {
        if (event->buttons() & (Qt::MiddleButton | Qt::LeftButton))
            PanTo(event->position().toPoint());
        else
            EndPan();  // the release went elsewhere
    } else {
        OnMouseMove(event->position().toPoint(), event->buttons().testFlag(Qt::LeftButton));
    }
    event->accept();
}

void CGrimassoView::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_bPanning) {
        if (!(event->buttons() & (Qt::MiddleButton | Qt::LeftButton)))
            EndPan();
    } else if (event->button() == Qt::LeftButton) {
        OnLButtonUp();
    }
    event->accept();
}

bool CGrimassoView::event(QEvent* event)
{
    // The pointer goes elsewhere when the window stops being the active one
    // (another window, a task switch): the gesture cannot see its release.
    if (event->type() == QEvent::WindowDeactivate) {
        OnCaptureLost();
        m_bSpaceHeld = false;  // its release goes to the other window
        EndPan();
    }
    return CView::event(event);
}

void CGrimassoView::hideEvent(QHideEvent* event)
{
    OnCaptureLost();
    m_bSpaceHeld = false;
    EndPan();
    CView::hideEvent(event);
}

void CGrimassoView::OnLButtonDown(QPoint device)
{
    PictureSession* session = GetDocument()->GetSession();
    if (!session)
        return;
    // Qt keeps sending the moves and the release of the pressed button here,
    // also outside the window, until it is released.
    GetDocument()->SetShowOriginal(false);  // a gesture works on what it shows
    m_bCapture = true;
    m_bMovedSincePress = false;
    m_ptAnchor = DeviceToPicture(device);
    if (m_nToolMode == kMovePoint)
        session->BeginDrag(m_ptAnchor.x(), m_ptAnchor.y());
    else
        m_bShowCircle = false;
}

void CGrimassoView::OnMouseMove(QPoint device, bool leftButtonDown)
{
    if (!m_bCapture)
        return;
    if (!leftButtonDown) {
        // The release went elsewhere; end the gesture as its loss.
        OnCaptureLost();
        return;
    }
    m_ptCurrent = DeviceToPicture(device);
    m_bMovedSincePress = true;
    if (m_nToolMode == kMovePoint) {
        DragMoveStep();
    } else {
        m_bShowCircle = true;
        RepaintNow(QRect());  // the circle moves: its old and new boxes
    }
}

void CGrimassoView::DragMoveStep()
{
    PictureSession* session = GetDocument()->GetSession();
    if (!session)
        return;
    const ActingView acting(this);
    if (!session->DragTo(m_ptCurrent.x(), m_ptCurrent.y()))
        return;
    m_ptAnchor = QPoint(session->DragAnchorX(), session->DragAnchorY());
}

void CGrimassoView::OnLButtonUp()
{
    if (!m_bCapture)
        return;
    m_bCapture = false;
    if (m_nToolMode == kMovePoint) {
        if (PictureSession* session = GetDocument()->GetSession()) {
            const ActingView acting(this);
            session->EndDrag();
        }
        return;
    }
    // A click without a drag, or a circle without size, defines no region.
    if (!m_bMovedSincePress || !(GestureRadius() > 0.0)) {
        m_bShowCircle = false;
        RepaintNow(QRect());
        return;
    }
    RunRegionDialog();
}

void CGrimassoView::OnCaptureLost()
{
    if (!m_bCapture)
        return;
    if (m_nToolMode == kMovePoint) {
        // Finished as a release would: the map then holds what the screen shows.
        OnLButtonUp();
        return;
    }
    m_bCapture = false;
    m_bShowCircle = false;
    RepaintNow(QRect());
}

// ---- Region gestures ----------------------------------------------------------

double CGrimassoView::GestureRadius() const
{
    const double dx = static_cast<double>(m_ptCurrent.x()) - m_ptAnchor.x();
    const double dy = static_cast<double>(m_ptCurrent.y()) - m_ptAnchor.y();
    return std::sqrt(dx * dx + dy * dy);
}

void CGrimassoView::RunRegionDialog()
{
    PictureSession* session = GetDocument()->GetSession();
    if (!session)
        return;
    QWidget* owner = TheMainWindow();
    std::unique_ptr<QDialog> dialog;
    switch (m_nToolMode) {
    case kEnlarge:
        dialog = std::make_unique<CEnlargeDialog>(this, owner);
        break;
    case kShrink:
        dialog = std::make_unique<CShrinkDialog>(this, owner);
        break;
    default:
        dialog = std::make_unique<CRotateDialog>(this, owner);
        break;
    }
    // The circle stays on the screen until the first preview repaints it away.
    m_bShowCircle = false;
    session->BeginRegion(static_cast<WarpMode>(m_nToolMode), m_ptAnchor.x(), m_ptAnchor.y(), GestureRadius());
    const QPointer<CGrimassoView> alive(this);
    const bool confirmed = dialog->exec() == QDialog::Accepted;
    dialog.reset();

    EndDialogGesture(alive, session, confirmed);
}

bool CGrimassoView::EndDialogGesture(const QPointer<CGrimassoView>& alive, PictureSession* session, bool keep)
{
    // The dialog ran its own event loop: the view or its picture may have gone.
    if (!alive || !session || GetDocument()->GetSession() != session)
        return false;
    const ActingView acting(this);
    if (keep)
        session->CommitGesture();
    else
        session->CancelGesture();
    return true;
}

void CGrimassoView::PreviewEnlarge(double factor)
{
    if (PictureSession* session = GetDocument()->GetSession()) {
        const ActingView acting(this);
        session->PreviewEnlarge(factor);
    }
}

void CGrimassoView::PreviewShrink(double factor)
{
    if (PictureSession* session = GetDocument()->GetSession()) {
        const ActingView acting(this);
        session->PreviewShrink(factor);
    }
}

void CGrimassoView::PreviewRotate(double angle, double amplification)
{
    if (PictureSession* session = GetDocument()->GetSession()) {
        const ActingView acting(this);
        session->PreviewRotate(angle, amplification);
    }
}
