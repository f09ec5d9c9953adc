// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/GrimassoView.h"

#include <QImage>
#include <QMainWindow>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <limits>

#include "document/GrimassoDoc.h"
#include "framework/CommandIds.h"
#include "image/DibImage.h"
#include "resources/StringIds.h"
#include "view/FaceMarks.h"
#include "view/GridOverlay.h"

namespace {

struct ZoomCommand {
    int id;
    double factor;
};
constexpr ZoomCommand kZoomCommands[] = {
    {ID_ZOOM_1_4, 0.25}, {ID_ZOOM_1_2, 0.5}, {ID_ZOOM_3_4, 0.75}, {ID_ZOOM_NONE, 1.0},
    {ID_ZOOM_2, 2.0},    {ID_ZOOM_3, 3.0},   {ID_ZOOM_4, 4.0},
};

// trunc(value + 0.5) toward zero, kept inside the int range.
int RoundHalfUp(double value)
{
    const double shifted = value + 0.5;
    if (!(shifted > -2147483648.0))
        return std::numeric_limits<int>::min();
    if (!(shifted < 2147483647.0))
        return std::numeric_limits<int>::max();
    return static_cast<int>(shifted);
}

// The rows of a bottom-up 24-bit picture as an image, without copying them.
// Image row 0 is the bottom row of the picture.
QImage WrapRows(const BITMAPINFOHEADER& header, const std::uint8_t* rows)
{
    return QImage(rows, header.biWidth, header.biHeight, static_cast<qsizetype>(RowBytes(header.biWidth, 24)),
                  QImage::Format_BGR888);
}

}  // namespace

void CGrimassoView::DrawPicture(QPainter& painter, const QRectF& target, const BITMAPINFOHEADER& header,
                                const std::uint8_t* rows, const QRectF& visible, bool smooth)
{
    if (header.biWidth <= 0 || header.biHeight <= 0)
        return;
    DrawBottomUp(painter, target, WrapRows(header, rows), visible, smooth);
}

void CGrimassoView::DrawBottomUp(QPainter& painter, const QRectF& target, const QImage& image, const QRectF& visible,
                                 bool smooth)
{
    const int width = image.width();
    const int height = image.height();
    if (width <= 0 || height <= 0 || target.isEmpty())
        return;
    const double sx = target.width() / width;
    const double sy = target.height() / height;
    // Image column x goes to target.left() + x * sx; image row y (counted from
    // the bottom) goes to target.bottom() - y * sy: the picture drawn upright.
    const QTransform flip(sx, 0, 0, -sy, target.left(), target.top() + target.height());

    const QRectF area = visible.intersected(target);
    if (area.isEmpty())
        return;
    // Smoothing reads a neighbour beyond each edge: one more pixel around, so
    // the repainted parts of a picture meet without seams.
    const double margin = smooth ? 1.0 : 0.0;
    const double x0 = std::floor((area.left() - target.left()) / sx) - margin;
    const double x1 = std::ceil((area.left() + area.width() - target.left()) / sx) + margin;
    const double y0 = std::floor((target.top() + target.height() - (area.top() + area.height())) / sy) - margin;
    const double y1 = std::ceil((target.top() + target.height() - area.top()) / sy) + margin;
    const QRectF source = QRectF(QPointF(std::max(0.0, x0), std::max(0.0, y0)),
                                 QPointF(std::min<double>(width, x1), std::min<double>(height, y1)));
    if (source.isEmpty())
        return;

    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    if (smooth)
        painter.setClipRect(area, Qt::IntersectClip);
    painter.setTransform(flip, true);
    painter.drawImage(source, image, source);
    painter.restore();
}

CGrimassoView::CGrimassoView(CGrimassoDoc* document, QWidget* parent) : CView(document, parent)
{
    horizontalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setRange(0, 0);
    // Moves without a button held reach the view too, so a gesture whose
    // release went to another window ends at the next move.
    viewport()->setMouseTracking(true);
    if (document)
        connect(document, &CGrimassoDoc::pictureChanged, this, &CGrimassoView::UpdatePictureArea);
}

CGrimassoView::~CGrimassoView() = default;

CGrimassoDoc* CGrimassoView::GetDocument() const
{
    return static_cast<CGrimassoDoc*>(CView::GetDocument());
}

void CGrimassoView::OnInitialUpdate()
{
    m_nToolMode = 0;
    m_dZoom = 1.0;
    CView::OnInitialUpdate();
    QWidget* frame = GetParentFrame();
    if (frame && frame->isVisible()) {
        FitLargePicture();
        ResizeParentToFit(true);
    } else {
        m_bFitWhenShown = true;
    }
}

void CGrimassoView::showEvent(QShowEvent* event)
{
    CView::showEvent(event);
    if (m_bFitWhenShown) {
        m_bFitWhenShown = false;
        FitLargePicture();
        ResizeParentToFit(true);
    }
}

void CGrimassoView::OnUpdate(CView* sender, int hint)
{
    CView::OnUpdate(sender, hint);
    UpdateScrollSizes();
}

void CGrimassoView::OnActivateView(bool active)
{
    // Today's displays need no palette to be realised; the base does the rest.
    CView::OnActivateView(active);
}

void CGrimassoView::SetZoom(double zoom)
{
    m_dZoom = zoom;
    OnUpdate(nullptr, 0);
    ResizeParentToFit(true);
    emit zoomChanged(m_dZoom);
}

bool CGrimassoView::OnCmdMsg(int id)
{
    for (const ZoomCommand& command : kZoomCommands) {
        if (command.id == id) {
            SetZoom(command.factor);
            return true;
        }
    }
    switch (id) {
    case ID_ZOOM_WHOLE:
        OnZoomWhole();
        return true;
    case ID_ZOOM_IN:
    case ID_ZOOM_OUT:
        OnZoomKey(id == ID_ZOOM_IN ? 1 : -1);
        return true;
    default:
        break;
    }
    if (OnToolCmdMsg(id))
        return true;
    switch (id) {
    case ID_FILE_PRINT:
        OnFilePrint();
        return true;
    case ID_FILE_PRINT_DIRECT:
        OnFilePrintDirect();
        return true;
    case ID_FILE_PRINT_PREVIEW:
        OnFilePrintPreview();
        return true;
    default:
        return CView::OnCmdMsg(id);
    }
}

bool CGrimassoView::OnUpdateCmdUI(CCmdUI& ui)
{
    for (const ZoomCommand& command : kZoomCommands) {
        if (command.id == ui.m_nID) {
            ui.Enable(true);
            ui.SetCheck(m_dZoom == command.factor);  // every factor is exact in binary
            return true;
        }
    }
    if (OnToolUpdateCmdUI(ui))
        return true;
    switch (ui.m_nID) {
    case ID_ZOOM_WHOLE:
        ui.Enable(true);
        return true;
    case ID_ZOOM_IN:
        ui.Enable(m_dZoom < kMaxZoomStep);
        return true;
    case ID_ZOOM_OUT:
        ui.Enable(m_dZoom > kMinZoomStep);
        return true;
    case ID_FILE_PRINT:
    case ID_FILE_PRINT_DIRECT:
    case ID_FILE_PRINT_PREVIEW:
        ui.Enable(GetDocument()->GetWarpField() != nullptr);
        return true;
    default:
        return CView::OnUpdateCmdUI(ui);
    }
}

QSize CGrimassoView::GetZoomedSize() const
{
    const QSize size = GetDocument()->GetPictureSize();
    if (!size.isValid())
        return QSize(0, 0);
    return QSize(RoundHalfUp(size.width() * m_dZoom), RoundHalfUp(size.height() * m_dZoom));
}

QPoint CGrimassoView::LogicalToPicture(int lx, int ly) const
{
    const QSize size = GetDocument()->GetPictureSize();
    auto toPicture = [this](int logical, int extent) {
        const int value = RoundHalfUp(logical / m_dZoom);
        if (value >= extent)
            return std::max(extent - 1, 0);
        return std::max(value, 0);
    };
    return QPoint(toPicture(lx, size.width()), toPicture(ly, size.height()));
}

QPoint CGrimassoView::PictureToLogical(int x, int y) const
{
    return QPoint(RoundHalfUp(x * m_dZoom), RoundHalfUp(y * m_dZoom));
}

QPoint CGrimassoView::FlipY(int x, int y) const
{
    return QPoint(x, GetDocument()->GetPictureSize().height() - 1 - y);
}

QPoint CGrimassoView::ScrollPosition() const
{
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

QPoint CGrimassoView::DeviceToPicture(QPoint device) const
{
    const QPoint logical = device + ScrollPosition();
    return FlipY(LogicalToPicture(logical.x(), logical.y()));
}

QSize CGrimassoView::ClientSizeForZoomedPicture() const
{
    // Decided from the whole client area, whatever bars are showing now: a
    // picture that fits the area without bars gets none, and a bar is only
    // counted when the other one leaves too little room.
    const QSize zoomed = GetZoomedSize();
    const QSize whole = maximumViewportSize();
    const int barWidth = verticalScrollBar()->sizeHint().width();
    const int barHeight = horizontalScrollBar()->sizeHint().height();
    bool needH = zoomed.width() > whole.width();
    bool needV = zoomed.height() > whole.height();
    if (needH != needV) {
        needH = needH || zoomed.width() > whole.width() - barWidth;
        needV = needV || zoomed.height() > whole.height() - barHeight;
    }
    return QSize(whole.width() - (needV ? barWidth : 0), whole.height() - (needH ? barHeight : 0));
}

void CGrimassoView::UpdateScrollSizes()
{
    const QSize zoomed = GetZoomedSize();
    const QSize client = ClientSizeForZoomedPicture();
    QScrollBar* horizontal = horizontalScrollBar();
    QScrollBar* vertical = verticalScrollBar();
    horizontal->setRange(0, std::max(0, zoomed.width() - client.width()));
    horizontal->setPageStep(std::max(1, client.width()));
    horizontal->setSingleStep(std::max(1, client.width() / 10));
    vertical->setRange(0, std::max(0, zoomed.height() - client.height()));
    vertical->setPageStep(std::max(1, client.height()));
    vertical->setSingleStep(std::max(1, client.height() / 10));
}

void CGrimassoView::ResizeParentToFit(bool shrinkOnly)
{
    QWidget* frame = GetParentFrame();
    if (!frame || qobject_cast<QMainWindow*>(frame) || frame->isMaximized() || frame->isMinimized())
        return;  // never resize the main window, nor a maximised or minimised frame
    // What the frame adds around the whole client area (the area the bars share).
    const QSize chrome = frame->size() - maximumViewportSize();
    QSize wanted = GetZoomedSize() + chrome;
    if (shrinkOnly)
        wanted = wanted.boundedTo(frame->size());
    wanted = wanted.expandedTo(frame->minimumSizeHint()).expandedTo(frame->minimumSize());
    if (wanted != frame->size())
        frame->resize(wanted);
    UpdateScrollSizes();
}

QSize CGrimassoView::sizeHint() const
{
    const int frame = 2 * frameWidth();
    return GetZoomedSize() + QSize(frame, frame);
}

void CGrimassoView::RedrawNow()
{
    RepaintNow(viewport()->rect());
}

void CGrimassoView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QPoint scroll = ScrollPosition();
    painter.translate(-scroll);
    OnDraw(painter, event->rect().translated(scroll));
}

void CGrimassoView::resizeEvent(QResizeEvent* event)
{
    CView::resizeEvent(event);
    UpdateScrollSizes();
}

void CGrimassoView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void CGrimassoView::OnDraw(QPainter& painter, const QRect& exposed)
{
    CWarpField* field = GetDocument()->GetWarpField();
    if (!field)
        return;
    BITMAPINFOHEADER header;
    const std::uint8_t* rows = nullptr;
    field->GetPicture(header, rows);
    const bool original = GetDocument()->ShowsOriginal();
    if (original)
        rows = field->Original();  // the same layout, undeformed
    const QSize zoomed = GetZoomedSize();
    m_levels.Draw(painter, QRectF(0, 0, zoomed.width(), zoomed.height()), header, rows, original, QRectF(exposed));
    if (const FoundFace* face = GetDocument()->GetShownFace())
        DrawFaceMarks(painter, *face, m_dZoom);
    if (GetDocument()->ShowsGrid())
        DrawGridOverlay(painter, *field, original, m_dZoom, exposed);
    DrawToolCircle(painter);
}

bool CGrimassoView::ToolCircle(QPoint& centre, int& radius) const
{
    if (m_nToolMode < kEnlarge || m_nToolMode > kRotate || !m_bShowCircle)
        return false;
    // Both ends rounded to the zoomed picture first, so the radius on screen
    // follows the rounded positions.
    centre = PictureToLogical(FlipY(m_ptAnchor).x(), FlipY(m_ptAnchor).y());
    const QPoint c = PictureToLogical(FlipY(m_ptCurrent).x(), FlipY(m_ptCurrent).y());
    const double dx = static_cast<double>(c.x()) - centre.x();
    const double dy = static_cast<double>(c.y()) - centre.y();
    radius = RoundHalfUp(std::sqrt(dx * dx + dy * dy));
    return true;
}

QRect CGrimassoView::ToolCircleRect() const
{
    QPoint a;
    int radius = 0;
    if (!ToolCircle(a, radius))
        return QRect();
    // The one-pixel outline covers a.x - radius .. a.x + radius; one more for
    // the rasteriser's rounding.
    const QRect box(a.x() - radius - 1, a.y() - radius - 1, 2 * radius + 3, 2 * radius + 3);
    return box & QRect(QPoint(0, 0), GetZoomedSize());
}

void CGrimassoView::DrawToolCircle(QPainter& painter)
{
    QPoint a;
    int radius = 0;
    if (!ToolCircle(a, radius))
        return;
    const QSize zoomed = GetZoomedSize();

    painter.save();
    // Inverting the pixels keeps the outline visible on any picture.
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter.setClipRect(QRect(QPoint(0, 0), zoomed), Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 0));
    painter.drawEllipse(QRect(a.x() - radius, a.y() - radius, 2 * radius, 2 * radius));
    painter.restore();
}
