// SPDX-License-Identifier: GPL-3.0-or-later
// The view's zoom beyond the seven menu steps: a large picture opens fitted
// into its window, Ctrl with the wheel zooms about the pointer and Ctrl+Plus
// and Ctrl+Minus about the window's middle, "Ganzes Bild" shows the whole
// picture again, and the middle button (or the space bar held while the left
// button drags) moves the picture under the window.
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <iterator>

#include "document/GrimassoDoc.h"
#include "view/GrimassoView.h"

namespace {

// Each step about a third to a half larger than the one before; the menu's
// factors 1/4, 1/2, 1, 2, 3 and 4 among them.
constexpr double kZoomSteps[] = {1.0 / 16, 1.0 / 12, 1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3, 1.0,
                                 1.5,      2.0,      3.0,     4.0,     6.0,     8.0,     12.0,    16.0};
static_assert(kZoomSteps[0] == CGrimassoView::kMinZoomStep &&
              kZoomSteps[std::size(kZoomSteps) - 1] == CGrimassoView::kMaxZoomStep);

// One wheel notch.
constexpr int kWheelNotch = 120;

}  // namespace

double CGrimassoView::ZoomStep(double zoom, int steps)
{
    // A zoom within this share of a step counts as that step.
    constexpr double kSame = 1e-9;
    for (; steps > 0; --steps) {
        const double* next = std::find_if(std::begin(kZoomSteps), std::end(kZoomSteps),
                                          [zoom](double step) { return step > zoom * (1.0 + kSame); });
        zoom = next == std::end(kZoomSteps) ? kMaxZoomStep : *next;
    }
    for (; steps < 0; ++steps) {
        const auto below = std::find_if(std::rbegin(kZoomSteps), std::rend(kZoomSteps),
                                        [zoom](double step) { return step < zoom * (1.0 - kSame); });
        zoom = below == std::rend(kZoomSteps) ? std::min(zoom, kMinZoomStep) : *below;
    }
    return zoom;
}

QPointF CGrimassoView::LogicalToPictureF(QPointF logical) const
{
    return logical / m_dZoom;
}

void CGrimassoView::ZoomAbout(double zoom, QPointF device)
{
    if (!(zoom > 0.0) || zoom == m_dZoom)
        return;
    const QPointF picture = LogicalToPictureF(device + ScrollPosition());
    m_dZoom = zoom;
    OnUpdate(nullptr, 0);
    // The same picture point under device again, as near as whole pixels allow.
    const QPointF scroll = picture * m_dZoom - device;
    horizontalScrollBar()->setValue(static_cast<int>(std::lround(scroll.x())));
    verticalScrollBar()->setValue(static_cast<int>(std::lround(scroll.y())));
    emit zoomChanged(m_dZoom);
}

double CGrimassoView::WholePictureZoom(QSize client) const
{
    const QSize picture = GetDocument()->GetPictureSize();
    if (picture.isEmpty() || client.isEmpty())
        return 1.0;
    // The smaller of the two ratios: the zoomed picture, rounded half up, is
    // never larger than the client area.
    const double zoom = std::min(static_cast<double>(client.width()) / picture.width(),
                                 static_cast<double>(client.height()) / picture.height());
    return std::min(zoom, 1.0);
}

double CGrimassoView::WholePictureZoom() const
{
    return WholePictureZoom(maximumViewportSize());
}

void CGrimassoView::FitLargePicture()
{
    // The largest window the picture can have is the whole window area: a
    // picture that fits there gets a window that holds it at zoom 1.
    auto* frame = qobject_cast<QMdiSubWindow*>(GetParentFrame());
    QMdiArea* area = frame && !frame->isMaximized() && !frame->isMinimized() ? frame->mdiArea() : nullptr;
    const QSize chrome = frame ? frame->size() - maximumViewportSize() : QSize(0, 0);
    QSize largest = maximumViewportSize();
    if (area)
        largest = largest.expandedTo(area->viewport()->size() - chrome);
    const double whole = WholePictureZoom(largest);
    if (whole < m_dZoom) {
        m_dZoom = whole;
        OnUpdate(nullptr, 0);
        emit zoomChanged(m_dZoom);
    }
    if (!area)
        return;
    const QSize room = area->viewport()->size();
    const QSize wanted = (GetZoomedSize() + chrome).boundedTo(room).expandedTo(frame->size());
    if (wanted == frame->size())
        return;
    frame->resize(wanted);
    // Moved back where the grown window lies wholly inside the area.
    frame->move(std::clamp(frame->x(), 0, std::max(0, room.width() - wanted.width())),
                std::clamp(frame->y(), 0, std::max(0, room.height() - wanted.height())));
    UpdateScrollSizes();
}

void CGrimassoView::OnZoomWhole()
{
    // Like the zoom commands it then shrinks the frame to the fitted picture.
    SetZoom(WholePictureZoom());
}

void CGrimassoView::OnZoomKey(int steps)
{
    ZoomAbout(ZoomStep(m_dZoom, steps), QRectF(viewport()->rect()).center());
}

void CGrimassoView::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        CView::wheelEvent(event);
        return;
    }
    // Fine-grained wheels send parts of a notch: a step for every whole notch.
    m_nWheelRest += event->angleDelta().y();
    const int steps = m_nWheelRest / kWheelNotch;
    m_nWheelRest -= steps * kWheelNotch;
    if (steps != 0)
        ZoomAbout(ZoomStep(m_dZoom, steps), event->position());
    event->accept();
}

bool CGrimassoView::HoldSpace(QKeyEvent* event, bool held)
{
    if (event->key() != Qt::Key_Space)
        return false;
    if (!event->isAutoRepeat()) {
        m_bSpaceHeld = held;
        UpdatePanCursor();
    }
    event->accept();
    return true;
}

void CGrimassoView::keyPressEvent(QKeyEvent* event)
{
    if (!HoldSpace(event, true))
        CView::keyPressEvent(event);
}

void CGrimassoView::keyReleaseEvent(QKeyEvent* event)
{
    if (!HoldSpace(event, false))
        CView::keyReleaseEvent(event);
}

void CGrimassoView::BeginPan(QPoint device)
{
    m_bPanning = true;
    m_ptPanFrom = device;
    UpdatePanCursor();
}

void CGrimassoView::PanTo(QPoint device)
{
    const QPoint moved = device - m_ptPanFrom;
    m_ptPanFrom = device;
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - moved.x());
    verticalScrollBar()->setValue(verticalScrollBar()->value() - moved.y());
}

void CGrimassoView::EndPan()
{
    if (!m_bPanning)
        return;
    m_bPanning = false;
    UpdatePanCursor();
}

void CGrimassoView::UpdatePanCursor()
{
    if (m_bPanning)
        viewport()->setCursor(Qt::ClosedHandCursor);
    else if (m_bSpaceHeld)
        viewport()->setCursor(Qt::OpenHandCursor);
    else
        viewport()->unsetCursor();
}
