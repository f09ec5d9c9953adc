// SPDX-License-Identifier: GPL-3.0-or-later
// The interactive side of the picture view: the four deformation tools on the
// left mouse button, the region dialogs and their previews, and the Undo,
// smoothing and move-options commands. Every change to the picture is made by
// the document's warp field; this file decides when, with which points, and
// which part of which view is repainted afterwards.
#include <QMainWindow>
#include <QMouseEvent>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>

#include "deform/qt/GrimassoDoc.h"
#include "framework/Application.h"
#include "framework/CommandIds.h"
#include "framework/WaitCursor.h"
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

// A whole number of pixels from a double, kept far inside the int range.
int ClampedFloor(double value)
{
    return static_cast<int>(std::clamp(std::floor(value), -1.0e9, 1.0e9));
}
int ClampedCeil(double value)
{
    return static_cast<int>(std::clamp(std::ceil(value), -1.0e9, 1.0e9));
}

// The box of the points, widened by margin on every side, clipped to a picture
// of size (both corners inclusive, rows bottom-up).
QRect BoxAround(std::initializer_list<QPoint> points, double margin, QSize size)
{
    double x0 = points.begin()->x(), x1 = x0, y0 = points.begin()->y(), y1 = y0;
    for (const QPoint& p : points) {
        x0 = std::min<double>(x0, p.x());
        x1 = std::max<double>(x1, p.x());
        y0 = std::min<double>(y0, p.y());
        y1 = std::max<double>(y1, p.y());
    }
    const int left = std::max(ClampedFloor(x0 - margin), 0);
    const int bottom = std::max(ClampedFloor(y0 - margin), 0);
    const int right = std::min(ClampedCeil(x1 + margin), size.width() - 1);
    const int top = std::min(ClampedCeil(y1 + margin), size.height() - 1);
    if (left > right || bottom > top)
        return QRect();
    return QRect(QPoint(left, bottom), QPoint(right, top));
}

// Union of two picture boxes where either may be null.
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
    case ID_SMOOTH:
        OnSmooth();
        return true;
    case ID_MOVE_OPTIONS:
        OnMoveOptions();
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
    const CWarpField* field = GetDocument()->GetWarpField();
    switch (ui.m_nID) {
    case ID_EDIT_UNDO:
        ui.Enable(field && field->CanUndo() == 1);
        return true;
    case ID_SMOOTH:
        ui.Enable(field != nullptr);
        return true;
    case ID_MOVE_OPTIONS:
        ui.Enable(m_nToolMode == kMovePoint);
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
    CWarpField* field = GetDocument()->GetWarpField();
    if (!field || !field->CanUndo())
        return;
    field->UndoDeformation();
    UpdateWholePicture();
    GetDocument()->SetModifiedFlag(true);
}

void CGrimassoView::OnSmooth()
{
    OnCaptureLost();
    CWarpField* field = GetDocument()->GetWarpField();
    if (!field)
        return;
    {
        CWaitCursor wait;
        field->BeginDeformation(ModeSmooth);
        field->SmoothMap();
        field->EndDeformation();
    }
    // Every view repaints the picture at its next paint.
    GetDocument()->UpdateAllViews(nullptr);
    GetDocument()->SetModifiedFlag(true);
}

void CGrimassoView::OnMoveOptions()
{
    CWarpField* field = GetDocument()->GetWarpField();
    if (!field || m_nToolMode != kMovePoint)
        return;
    CMoveOptionsDialog dialog(TheMainWindow());
    dialog.m_nRadius = static_cast<std::uint32_t>(field->GetRadius());
    if (dialog.DoModal() != QDialog::Accepted)
        return;
    // The dialog ran its own event loop: ask the document again.
    if (CWarpField* current = GetDocument()->GetWarpField())
        current->SetRadius(static_cast<std::int32_t>(dialog.m_nRadius));
}

// ---- Repainting ---------------------------------------------------------------

QRect CGrimassoView::PictureAreaToViewport(const QRect& pictureArea) const
{
    if (pictureArea.isNull())
        return QRect();
    const int height = GetDocument()->GetPictureSize().height();
    // Rows counted downwards, then the zoomed pixels they cover, one to spare.
    const double top = height - 1 - pictureArea.bottom();
    const double bottom = height - 1 - pictureArea.top();
    const int left = ClampedFloor(pictureArea.left() * m_dZoom) - 1;
    const int right = ClampedCeil((pictureArea.right() + 1.0) * m_dZoom) + 1;
    const int upper = ClampedFloor(top * m_dZoom) - 1;
    const int lower = ClampedCeil((bottom + 1.0) * m_dZoom) + 1;
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
    for (CView* view : GetDocument()->GetViews()) {
        auto* other = qobject_cast<CGrimassoView*>(view);
        if (!other)
            continue;
        if (other == this)
            RepaintNow(PictureAreaToViewport(pictureArea));
        else
            other->viewport()->update(other->PictureAreaToViewport(pictureArea));
    }
}

void CGrimassoView::UpdateWholePicture()
{
    GetDocument()->UpdateAllViews(this);
    RedrawNow();
}

// ---- Mouse ---------------------------------------------------------------------

void CGrimassoView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !m_bCapture)
        OnLButtonDown(event->position().toPoint());
    event->accept();
}

void CGrimassoView::mouseMoveEvent(QMouseEvent* event)
{
    OnMouseMove(event->position().toPoint(), event->buttons().testFlag(Qt::LeftButton));
    event->accept();
}

void CGrimassoView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        OnLButtonUp();
    event->accept();
}

bool CGrimassoView::event(QEvent* event)
{
    // The pointer goes elsewhere when the window stops being the active one
    // (another window, a task switch): the gesture cannot see its release.
    if (event->type() == QEvent::WindowDeactivate)
        OnCaptureLost();
    return CView::event(event);
}

void CGrimassoView::hideEvent(QHideEvent* event)
{
    OnCaptureLost();
    CView::hideEvent(event);
}

void CGrimassoView::OnLButtonDown(QPoint device)
{
    CWarpField* field = GetDocument()->GetWarpField();
    if (!field)
        return;
    // Qt keeps sending the moves and the release of the pressed button here,
    // also outside the window, until it is released.
    m_bCapture = true;
    m_bMovedSincePress = false;
    m_ptAnchor = DeviceToPicture(device);
    // A move-point gesture begins (and takes the restore point) with its first
    // movement: a mere click, such as one that activates the window, must not
    // throw away the Undo of the previous deformation.
    m_bDeformationBegun = false;
    m_bPreviewShown = false;
    if (m_nToolMode != kMovePoint)
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
    CWarpField* field = GetDocument()->GetWarpField();
    if (!field)
        return;
    const QPoint before = m_ptAnchor;
    if (m_ptCurrent == before)
        return;  // no movement: the warp field would draw and change nothing
    if (!m_bDeformationBegun) {
        field->BeginDeformation(ModeMovePoint);
        m_bDeformationBegun = true;
    }
    std::int32_t ax = m_ptAnchor.x();
    std::int32_t ay = m_ptAnchor.y();
    field->MovePointLive(ax, ay, m_ptCurrent.x(), m_ptCurrent.y());
    m_ptAnchor = QPoint(ax, ay);

    // Changed: the squares of the committed sub-moves (their ends lie between
    // the old and the new anchor), the new preview around the pointer, and the
    // previous preview, which the warp field put back from the map.
    const QSize size = GetDocument()->GetPictureSize();
    const double margin = field->GetRadius() + 1.0;
    QRect changed = BoxAround({before, m_ptAnchor, m_ptCurrent}, margin, size);
    if (m_bPreviewShown)
        changed = United(changed, BoxAround({m_ptPreviewTarget}, margin, size));
    m_bPreviewShown = true;
    m_ptPreviewTarget = m_ptCurrent;

    UpdatePictureArea(changed);
    GetDocument()->SetModifiedFlag(true);
}

void CGrimassoView::OnLButtonUp()
{
    if (!m_bCapture)
        return;
    m_bCapture = false;
    if (m_nToolMode == kMovePoint) {
        CWarpField* field = GetDocument()->GetWarpField();
        if (!field || !m_bDeformationBegun)
            return;
        m_bDeformationBegun = false;
        field->EndDeformation();
        // The release commits what the last step previewed; other views of the
        // document see the committed square from the map.
        if (m_bPreviewShown)
            UpdatePictureArea(BoxAround({m_ptPreviewTarget}, field->GetRadius() + 1.0,
                                        GetDocument()->GetPictureSize()));
        m_bPreviewShown = false;
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
    CWarpField* field = GetDocument()->GetWarpField();
    if (!field)
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
    m_rcRegionPreview = QRect();
    field->BeginDeformation(static_cast<WarpMode>(m_nToolMode));
    const QPointer<CGrimassoView> alive(this);
    const bool confirmed = dialog->exec() == QDialog::Accepted;
    dialog.reset();

    // The dialog ran its own event loop: ask the document again.
    if (!alive)
        return;
    field = GetDocument()->GetWarpField();
    if (!field)
        return;
    if (!confirmed)
        field->UndoDeformation();
    field->EndDeformation();
    m_rcRegionPreview = QRect();
    UpdateWholePicture();
    if (confirmed)
        GetDocument()->SetModifiedFlag(true);
}

void CGrimassoView::PreviewRegion(double regionRadius, const std::function<void(CWarpField&, double)>& warp)
{
    CWarpField* field = GetDocument()->GetWarpField();
    if (!field)
        return;
    warp(*field, GestureRadius());
    // This preview rewrote its own circle and put back the previous one's.
    const QRect box = BoxAround({m_ptAnchor}, regionRadius + 1.0, GetDocument()->GetPictureSize());
    const QRect changed = United(box, m_rcRegionPreview);
    m_rcRegionPreview = box;
    UpdatePictureArea(changed);
}

void CGrimassoView::PreviewEnlarge(double factor)
{
    // The enlarged circle reaches factor times the dragged radius.
    PreviewRegion(factor * GestureRadius(), [this, factor](CWarpField& field, double radius) {
        field.Enlarge(m_ptAnchor.x(), m_ptAnchor.y(), radius, factor);
    });
}

void CGrimassoView::PreviewShrink(double factor)
{
    PreviewRegion(GestureRadius(), [this, factor](CWarpField& field, double radius) {
        field.Shrink(m_ptAnchor.x(), m_ptAnchor.y(), radius, factor);
    });
}

void CGrimassoView::PreviewRotate(double angle, double amplification)
{
    PreviewRegion(GestureRadius(), [this, angle, amplification](CWarpField& field, double radius) {
        field.Rotate(m_ptAnchor.x(), m_ptAnchor.y(), radius, angle, amplification);
    });
}
