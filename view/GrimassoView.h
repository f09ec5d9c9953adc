#pragma once
// The view of a picture document: draws the deformed picture at the top-left,
// stretched by one of seven zoom factors, inside a scrolling area; prints it on
// one page; converts pointer positions into picture coordinates for the tools.
#include <QPoint>
#include <cstdint>
#include <QRect>
#include <QSize>

#include "framework/View.h"

class CGrimassoDoc;
class QPainter;
class QPrinter;
struct BITMAPINFOHEADER;

class CGrimassoView : public CView {
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

    // Tool state (the tool gestures drive these).
    int m_nToolMode = 0;      // 0 move point, 1 enlarge, 2 shrink, 3 rotate
    QPoint m_ptAnchor;        // gesture anchor, picture coordinates
    QPoint m_ptCurrent;       // latest pointer position of a gesture, picture coordinates
    bool m_bShowCircle = false;
    double m_dZoom = 1.0;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void UpdateScrollSizes();
    void DrawToolCircle(QPainter& painter);
};
