#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The view of a picture document: draws the deformed picture at the top-left,
// stretched by its zoom factor, inside a scrolling area; prints it on one page;
// converts pointer positions into picture coordinates; and drives the four
// deformation tools with the left mouse button (ToolInteraction.cpp). A picture
// larger than its window opens fitted into it; the wheel with Ctrl and the zoom
// keys zoom in steps, the middle button or the space bar pan (ViewZoom.cpp).
#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <cstdint>
#include <QRect>
#include <QRectF>
#include <QSize>

#include "framework/View.h"
#include "view/PictureLevels.h"
#include "view/RegionPreview.h"

class CGrimassoDoc;
class PictureSession;
class CWarpField;
class QImage;
class QPainter;
class QPrinter;
struct BITMAPINFOHEADER;

class CGrimassoView : public CView, public IRegionPreview {
    Q_OBJECT
public:
    explicit CGrimassoView(CGrimassoDoc* document, QWidget* parent = nullptr);
    ~CGrimassoView() override;

    CGrimassoDoc* GetDocument() const;

    void OnInitialUpdate() override;
    void OnUpdate(CView* sender, int hint) override;
    void OnActivateView(bool active) override;
    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI& ui) override;

    // Sets the zoom factor, updates the scroll sizes and shrinks the frame to fit.
    void SetZoom(double zoom);
    double GetZoom() const { return m_dZoom; }

    // The zoom steps of the wheel and the zoom keys, from 1/16 to 16.
    static constexpr double kMinZoomStep = 1.0 / 16;
    static constexpr double kMaxZoomStep = 16.0;
    // The zoom `steps` steps above (below, when negative) zoom; the first step
    // from a zoom between two steps goes to the nearer one in that direction.
    static double ZoomStep(double zoom, int steps);
    // Sets the zoom so that the picture point under device (a point of the
    // client area) stays under it; the frame keeps its size.
    void ZoomAbout(double zoom, QPointF device);
    // The zoom that shows the whole picture in the whole client area (or in
    // client), at most 1.
    double WholePictureZoom() const;
    double WholePictureZoom(QSize client) const;
    // "Ganzes Bild": the whole picture in the window, as a large one opens.
    void OnZoomWhole();
    // Ctrl+Plus and Ctrl+Minus: one step about the middle of the client area.
    void OnZoomKey(int steps);
    // True while the middle button or the space bar with the left button pans.
    bool IsPanning() const { return m_bPanning; }

    // Picture size times the zoom, rounded half up.
    QSize GetZoomedSize() const;
    // Logical (zoomed, y downwards) to picture column and downward row, clamped
    // into the picture; FlipY turns the row into a bottom-up picture row.
    QPoint LogicalToPicture(int lx, int ly) const;
    QPoint PictureToLogical(int x, int y) const;
    QPoint FlipY(int x, int y) const;
    QPoint FlipY(QPoint p) const { return FlipY(p.x(), p.y()); }
    // A point of the view's client area (device pixels) as a picture point.
    QPoint DeviceToPicture(QPoint device) const;
    // Logical position of the client area's top-left corner (the scroll position).
    QPoint ScrollPosition() const;

    // Shrinks the child frame so that it holds the zoomed picture without
    // scroll bars; with shrinkOnly it never grows.
    void ResizeParentToFit(bool shrinkOnly = true);
    // Paints the view at once (the picture and, when due, the tool circle).
    void RedrawNow();

    // Screen drawing into painter, whose origin is the logical origin (the
    // picture's top-left); exposed is the logical area that needs paint.
    void OnDraw(QPainter& painter, const QRect& exposed);
    // Draws a bottom-up 24-bit picture stretched into target, nearest sample
    // (bilinear with smooth), touching only the part inside visible (the cost
    // follows the painted area, not the size of the picture).
    static void DrawPicture(QPainter& painter, const QRectF& target, const BITMAPINFOHEADER& header,
                            const std::uint8_t* rows, const QRectF& visible, bool smooth = false);
    // The same for an image whose row 0 is the picture's bottom row.
    static void DrawBottomUp(QPainter& painter, const QRectF& target, const QImage& image, const QRectF& visible,
                             bool smooth);
    // Draws a bottom-up 24-bit picture fitted with its aspect ratio at the
    // top-left of page (the printable area), ignoring the zoom.
    static void DrawPictureOnPage(QPainter& painter, const QRect& page, const BITMAPINFOHEADER& header,
                                  const std::uint8_t* rows);
    // Prints the document's picture on one page of printer.
    void PrintOnto(QPrinter& printer);

    // Printing commands.
    void OnFilePrint();
    void OnFilePrintDirect();
    void OnFilePrintPreview();
    // Printer setup shared by all views and the application's setup command.
    static void OnFilePrintSetup(QWidget* parent);
    static QPrinter& SharedPrinter();

    // Tool modes, the same numbers as the kinds of deformation.
    static constexpr int kMovePoint = 0;
    static constexpr int kEnlarge = 1;
    static constexpr int kShrink = 2;
    static constexpr int kRotate = 3;

    // Chooses the tool and repaints; the region tools start without a circle.
    void SetToolMode(int mode);
    // Undo of the latest deformation, smoothing, and the move-point radius dialog.
    void OnEditUndo();
    // "Schritt zurück" and "Schritt vorwärts", and a jump to the state after
    // position steps of the history (a click in the history panel).
    void OnStep(bool forward);
    void GoToStep(std::size_t position);
    void OnSmooth();
    void OnMoveOptions();
    // "Gesicht karikieren": finds the faces, then runs the face dialog as one gesture.
    void OnFaceCaricature();
    // "Übertreiben...": the dialog whose slider scales the whole deformation.
    void OnExaggerate();
    // "Original anzeigen" and "Gitter anzeigen" switch for every view of the document.
    void OnViewOriginal();
    void OnViewGrid();

    // Previews of the region dialog that is open: the gesture's circle (centre
    // at the press point, radius through the last pointer position) deformed
    // from the state at the release, then repainted.
    void PreviewEnlarge(double factor) override;
    void PreviewShrink(double factor) override;
    void PreviewRotate(double angle, double amplification) override;

    // Ends the gesture a dialog of this view ran over, once the dialog is
    // closed: kept or cancelled, unless the view or its picture went away
    // meanwhile. True when the gesture was ended here.
    bool EndDialogGesture(const QPointer<CGrimassoView>& alive, PictureSession* session, bool keep);

    // True from a button press until the release or the loss of the mouse.
    bool HasCapture() const { return m_bCapture; }
    // The mouse went elsewhere in the middle of a gesture: a move-point drag is
    // finished as a release would, a region gesture ends without a dialog.
    void OnCaptureLost();

    // A box of picture pixels (x from the left, y bottom-up, both corners
    // inclusive) as the viewport rectangle that shows it, with a pixel to spare.
    QRect PictureAreaToViewport(const QRect& pictureArea) const;
    // Repaints pictureArea of the document's picture, which changed: at once in
    // the view whose gesture changed it, at the next paint in the others.
    void UpdatePictureArea(const QRect& pictureArea);

    // Tool state (the tool gestures drive these).
    int m_nToolMode = 0;      // 0 move point, 1 enlarge, 2 shrink, 3 rotate
    QPoint m_ptAnchor;        // gesture anchor, picture coordinates
    QPoint m_ptCurrent;       // latest pointer position of a gesture, picture coordinates
    bool m_bShowCircle = false;
    double m_dZoom = 1.0;

    // The size that shows the whole zoomed picture without scroll bars.
    QSize sizeHint() const override;

signals:
    // The zoom factor changed (a command, the wheel, the keys, the first fit).
    void zoomChanged(double zoom);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void showEvent(QShowEvent* event) override;

private:
    // Scroll ranges and steps from the whole client area, whatever bars show now.
    void UpdateScrollSizes();
    // The client area left for the zoomed picture once the bars it needs are shown.
    QSize ClientSizeForZoomedPicture() const;

    // The first fit of the frame waits until the frame has its real size.
    bool m_bFitWhenShown = false;
    // A new window grows up to the window area to show its picture at zoom 1;
    // a picture larger than that gets the zoom that shows it whole.
    void FitLargePicture();
    // Picture position (columns and rows from the top-left, continuous) under
    // a logical position at the current zoom.
    QPointF LogicalToPictureF(QPointF logical) const;
    // Panning: begins at device, follows the pointer, ends.
    void BeginPan(QPoint device);
    void PanTo(QPoint device);
    void EndPan();
    // The cursor of the client area: a hand while panning is possible.
    void UpdatePanCursor();
    // The space bar held or let go (panning with the left button): true when
    // the key was the space bar, which is then taken.
    bool HoldSpace(QKeyEvent* event, bool held);
    void DrawToolCircle(QPainter& painter);
    // Centre (logical) and radius of the tool circle; false when none is due.
    bool ToolCircle(QPoint& centre, int& radius) const;
    // The circle's outline box in logical coordinates, empty when none is due.
    QRect ToolCircleRect() const;
    // Repaints rect of the viewport at once, taking away a circle that is no
    // longer due.
    void RepaintNow(const QRect& rect);

    bool OnToolCmdMsg(int id);
    bool OnToolUpdateCmdUI(CCmdUI& ui);
    void OnLButtonDown(QPoint device);
    void OnMouseMove(QPoint device, bool leftButtonDown);
    void OnLButtonUp();
    void DragMoveStep();
    void RunRegionDialog();
    double GestureRadius() const;

    // Marks the view as the one whose gesture is changing the picture, for as
    // long as it lives.
    class ActingView {
    public:
        explicit ActingView(CGrimassoView* view) : m_view(view) { m_view->m_bActing = true; }
        ~ActingView() { m_view->m_bActing = false; }
        ActingView(const ActingView&) = delete;
        ActingView& operator=(const ActingView&) = delete;

    private:
        CGrimassoView* m_view;
    };

    // The pointer gesture; where it stands in the picture's deformation is the
    // picture session's business.
    bool m_bCapture = false;
    bool m_bMovedSincePress = false;   // a pointer move came between press and release
    bool m_bActing = false;            // this view's gesture is changing the picture
    QRect m_rcCircleShown;             // logical box of the circle on screen, if any

    bool m_bPanning = false;      // the middle button (or space and left) drags the picture
    bool m_bSpaceHeld = false;    // the space bar is down: the left button pans
    QPoint m_ptPanFrom;           // device position of the last pan step
    int m_nWheelRest = 0;         // wheel turn not yet worth a zoom step (1/120 notches)
    PictureLevels m_levels;       // the halved copies drawn when zoomed out
};
