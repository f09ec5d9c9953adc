// SPDX-License-Identifier: GPL-3.0-or-later
// The picture view: zoom and coordinate conversions, the zoom commands, the
// frame that shrinks to fit, painting the picture upright at the top-left,
// the inverted tool circle, and printing on one page.
#include <QFile>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include "DocumentTestSupport.h"

using namespace doctest;
using testpictures::Pattern24;

namespace {

constexpr int kZoomIds[] = {ID_ZOOM_1_4, ID_ZOOM_1_2, ID_ZOOM_3_4, ID_ZOOM_NONE, ID_ZOOM_2, ID_ZOOM_3, ID_ZOOM_4};
constexpr double kZoomFactors[] = {0.25, 0.5, 0.75, 1.0, 2.0, 3.0, 4.0};

// Opens a picture of width x height with the given rows in the harness.
CGrimassoView* OpenPicture(EditorHarness& editor, const QTemporaryDir& folder, int width, int height,
                           const std::vector<std::uint8_t>& rows)
{
    static int counter = 0;
    const QString path = folder.filePath(QStringLiteral("view%1.bmp").arg(counter++));
    WritePicture(path.toStdString(), width, height, rows);
    CDocument* document = editor.Manager().OpenDocumentFile(path);
    if (!document || document->GetViews().isEmpty())
        return nullptr;
    return static_cast<CGrimassoView*>(document->GetViews().constFirst());
}

// Rows of one colour.
std::vector<std::uint8_t> Uniform(int width, int height, QColor colour)
{
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(RowBytes(width, 24) * height), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = rows.data() + static_cast<std::size_t>(y) * RowBytes(width, 24) + 3 * x;
            p[0] = static_cast<std::uint8_t>(colour.blue());
            p[1] = static_cast<std::uint8_t>(colour.green());
            p[2] = static_cast<std::uint8_t>(colour.red());
        }
    return rows;
}

QImage Grab(CGrimassoView* view)
{
    return view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QColor Inverted(QColor c)
{
    return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue());
}

}  // namespace

class ViewTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void zoomedSizeRoundsHalfUp();
    void logicalAndPictureCoordinates();
    void exactlyOneZoomCommandIsChecked();
    void frameShrinksToTheZoomedPictureButNeverGrows();
    void scrollBarsShowOnlyWhenTheWholeClientAreaIsTooSmall();
    void paintsThePictureUprightAtTheTopLeft();
    void paintsTheScrolledPart();
    void toolCircleIsInvertedAndClippedToThePicture();
    void pageHoldsThePictureFittedAtTheTopLeft();
    void printingMakesExactlyOnePage();
    void printPreviewShowsOnePage();
};

void ViewTest::zoomedSizeRoundsHalfUp()
{
    EditorHarness editor;
    QTemporaryDir folder;
    CGrimassoView* view = OpenPicture(editor, folder, 101, 51, Pattern24(101, 51));
    QVERIFY(view);
    QCOMPARE(view->GetZoom(), 1.0);
    QCOMPARE(view->GetZoomedSize(), QSize(101, 51));
    view->SetZoom(0.5);
    QCOMPARE(view->GetZoomedSize(), QSize(51, 26));
    view->SetZoom(0.25);
    QCOMPARE(view->GetZoomedSize(), QSize(25, 13));  // 25.25 and 12.75
    view->SetZoom(0.75);
    QCOMPARE(view->GetZoomedSize(), QSize(76, 38));  // 75.75 and 38.25
    view->SetZoom(3.0);
    QCOMPARE(view->GetZoomedSize(), QSize(303, 153));
    // The scroll range covers exactly the zoomed picture (once the bars are in place).
    QTRY_COMPARE(view->horizontalScrollBar()->maximum() + view->viewport()->width(), 303);
    QTRY_COMPARE(view->verticalScrollBar()->maximum() + view->viewport()->height(), 153);
}

void ViewTest::logicalAndPictureCoordinates()
{
    EditorHarness editor;
    QTemporaryDir folder;
    CGrimassoView* view = OpenPicture(editor, folder, 40, 30, Pattern24(40, 30));
    QVERIFY(view);

    view->SetZoom(0.25);
    QCOMPARE(view->LogicalToPicture(1, 1), QPoint(4, 4));
    view->SetZoom(3.0);
    QCOMPARE(view->LogicalToPicture(4, 4), QPoint(1, 1));
    view->SetZoom(0.75);
    QCOMPARE(view->PictureToLogical(3, 3), QPoint(2, 2));

    // Outside the picture: clamped to the edge column and row.
    view->SetZoom(2.0);
    QCOMPARE(view->LogicalToPicture(-7, -3), QPoint(0, 0));
    QCOMPARE(view->LogicalToPicture(500, 500), QPoint(39, 29));
    QCOMPARE(view->LogicalToPicture(2147483647, -2147483647 - 1), QPoint(39, 0));
    // Above the picture is the top row, below it the bottom row (row 0).
    QCOMPARE(view->FlipY(view->LogicalToPicture(5, -3)), QPoint(3, 29));
    QCOMPARE(view->FlipY(view->LogicalToPicture(5, 500)), QPoint(3, 0));
    QCOMPARE(view->FlipY(QPoint(7, 0)), QPoint(7, 29));

    // A device position includes the scroll position.
    view->horizontalScrollBar()->setValue(10);
    view->verticalScrollBar()->setValue(6);
    const int scrolledX = view->horizontalScrollBar()->value();
    const int scrolledY = view->verticalScrollBar()->value();
    QCOMPARE(view->DeviceToPicture(QPoint(0, 0)),
             view->FlipY(view->LogicalToPicture(scrolledX, scrolledY)));
}

void ViewTest::exactlyOneZoomCommandIsChecked()
{
    EditorHarness editor;
    QTemporaryDir folder;
    CGrimassoView* view = OpenPicture(editor, folder, 20, 10, Pattern24(20, 10));
    QVERIFY(view);
    for (int chosen = 0; chosen < 7; ++chosen) {
        QVERIFY(view->OnCmdMsg(kZoomIds[chosen]));
        QCOMPARE(view->GetZoom(), kZoomFactors[chosen]);
        int checked = 0;
        for (int id : kZoomIds) {
            CCmdUI ui(id);
            QVERIFY(view->OnUpdateCmdUI(ui));
            QVERIFY(ui.m_bEnabled);
            QVERIFY(ui.m_bCheckSet);
            if (ui.m_bChecked) {
                ++checked;
                QCOMPARE(id, kZoomIds[chosen]);
            }
        }
        QCOMPARE(checked, 1);
    }
}

void ViewTest::frameShrinksToTheZoomedPictureButNeverGrows()
{
    EditorHarness editor;
    QTemporaryDir folder;
    CGrimassoView* view = OpenPicture(editor, folder, 400, 200, Pattern24(400, 200));
    QVERIFY(view);
    QWidget* frame = view->GetParentFrame();
    QVERIFY(frame != view && frame != &editor.Window());
    // A new window shows the whole picture when the area has room for it.
    QCOMPARE(view->viewport()->size(), QSize(400, 200));

    QVERIFY(view->OnCmdMsg(ID_ZOOM_2));
    const QSize atTwo = frame->size();
    QCOMPARE(view->viewport()->size(), QSize(400, 200));  // no growing
    QVERIFY(view->horizontalScrollBar()->maximum() > 0);

    QVERIFY(view->OnCmdMsg(ID_ZOOM_1_2));
    QVERIFY(frame->width() < atTwo.width() && frame->height() < atTwo.height());
    QCOMPARE(view->viewport()->size(), QSize(200, 100));
    QCOMPARE(view->horizontalScrollBar()->maximum(), 0);

    QVERIFY(view->OnCmdMsg(ID_ZOOM_2));
    QCOMPARE(view->viewport()->size().boundedTo(QSize(200, 100)), view->viewport()->size());
    QVERIFY(view->horizontalScrollBar()->maximum() > 0);  // scroll bars instead
}

void ViewTest::scrollBarsShowOnlyWhenTheWholeClientAreaIsTooSmall()
{
    EditorHarness editor;
    QTemporaryDir folder;
    CGrimassoView* view = OpenPicture(editor, folder, 400, 200, Pattern24(400, 200));
    QVERIFY(view);
    QWidget* frame = view->GetParentFrame();
    QScrollBar* horizontal = view->horizontalScrollBar();
    QScrollBar* vertical = view->verticalScrollBar();
    // The window area shows or hides the bars once control returns to the event loop.
    auto bars = [&] { return QPair<bool, bool>(horizontal->isVisible(), vertical->isVisible()); };
    QCOMPARE(view->viewport()->size(), QSize(400, 200));
    QTRY_COMPARE(bars(), qMakePair(false, false));

    // In and out again: the picture fits the whole area, so the bars go.
    QVERIFY(view->OnCmdMsg(ID_ZOOM_2));
    QTRY_COMPARE(bars(), qMakePair(true, true));
    QCOMPARE(horizontal->maximum(), 800 - view->viewport()->width());
    QVERIFY(view->OnCmdMsg(ID_ZOOM_NONE));
    QTRY_COMPARE(bars(), qMakePair(false, false));
    QCOMPARE(view->viewport()->size(), QSize(400, 200));
    QCOMPARE(horizontal->maximum(), 0);
    QCOMPARE(vertical->maximum(), 0);

    // Five pixels too narrow: the horizontal bar, and the vertical one only
    // when the horizontal bar takes away rows the picture needs.
    const int barHeight = horizontal->sizeHint().height();
    frame->resize(frame->size() + QSize(-5, barHeight));
    QTRY_COMPARE(bars(), qMakePair(true, false));
    QCOMPARE(view->viewport()->size(), QSize(395, 200));
    QCOMPARE(horizontal->maximum(), 5);
    frame->resize(frame->size() - QSize(0, 1));
    QTRY_COMPARE(bars(), qMakePair(true, true));
    QCOMPARE(vertical->maximum(), 1);

    // Resizing back to the exact fit takes both away again.
    frame->resize(frame->size() + QSize(5, 1 - barHeight));
    QTRY_COMPARE(bars(), qMakePair(false, false));
    QCOMPARE(view->viewport()->size(), QSize(400, 200));
}

void ViewTest::paintsThePictureUprightAtTheTopLeft()
{
    EditorHarness editor;
    QTemporaryDir folder;
    const std::vector<std::uint8_t> rows = Pattern24(4, 3);
    CGrimassoView* view = OpenPicture(editor, folder, 4, 3, rows);
    QVERIFY(view);
    view->SetZoom(2.0);
    view->GetParentFrame()->resize(300, 300);
    QTest::qWait(10);
    const QImage shown = Grab(view);
    // Every 2 x 2 block is one picture pixel; screen row 0 is the picture's top row.
    for (int sy = 0; sy < 6; ++sy)
        for (int sx = 0; sx < 8; ++sx)
            QCOMPARE(shown.pixelColor(sx, sy), PixelOf(rows, 4, sx / 2, 2 - sy / 2));
    // Beside and below the picture the window keeps its background.
    const QColor background = view->viewport()->palette().color(view->viewport()->backgroundRole());
    QCOMPARE(shown.pixelColor(8, 0), background);
    QCOMPARE(shown.pixelColor(0, 6), background);
}

void ViewTest::paintsTheScrolledPart()
{
    EditorHarness editor;
    QTemporaryDir folder;
    const std::vector<std::uint8_t> rows = Pattern24(40, 30);
    CGrimassoView* view = OpenPicture(editor, folder, 40, 30, rows);
    QVERIFY(view);
    view->SetZoom(4.0);
    view->GetParentFrame()->resize(120, 120);
    QTest::qWait(10);
    view->horizontalScrollBar()->setValue(20);
    view->verticalScrollBar()->setValue(12);
    QCOMPARE(view->horizontalScrollBar()->value(), 20);
    QCOMPARE(view->verticalScrollBar()->value(), 12);
    const QImage shown = Grab(view);
    // Screen (0, 0) is logical (20, 12): column 5, the fourth row from the top.
    QCOMPARE(shown.pixelColor(0, 0), PixelOf(rows, 40, 5, 29 - 3));
    QCOMPARE(shown.pixelColor(4, 0), PixelOf(rows, 40, 6, 29 - 3));
    QCOMPARE(shown.pixelColor(0, 4), PixelOf(rows, 40, 5, 29 - 4));
    QCOMPARE(view->DeviceToPicture(QPoint(0, 0)), QPoint(5, 26));
}

void ViewTest::toolCircleIsInvertedAndClippedToThePicture()
{
    EditorHarness editor;
    QTemporaryDir folder;
    const QColor colour(10, 20, 30);
    CGrimassoView* view = OpenPicture(editor, folder, 40, 40, Uniform(40, 40, colour));
    QVERIFY(view);
    view->GetParentFrame()->resize(200, 200);
    QTest::qWait(10);
    const QColor background = view->viewport()->palette().color(view->viewport()->backgroundRole());

    view->m_nToolMode = 1;
    view->m_bShowCircle = true;
    view->m_ptAnchor = QPoint(20, 19);   // screen row 40 - 1 - 19 = 20
    view->m_ptCurrent = QPoint(30, 19);  // radius 10
    QImage shown = Grab(view);
    QCOMPARE(shown.pixelColor(30, 20), Inverted(colour));
    QCOMPARE(shown.pixelColor(10, 20), Inverted(colour));
    QCOMPARE(shown.pixelColor(20, 10), Inverted(colour));
    QCOMPARE(shown.pixelColor(20, 20), colour);  // the inside stays
    QCOMPARE(shown.pixelColor(25, 20), colour);

    // At zoom 2 the circle is twice as large, still around the anchor.
    view->SetZoom(2.0);
    view->GetParentFrame()->resize(200, 200);
    shown = Grab(view);
    QCOMPARE(shown.pixelColor(40 + 20, 40), Inverted(colour));
    QCOMPARE(shown.pixelColor(40 + 10, 40), colour);
    view->SetZoom(1.0);

    // A circle reaching past the right edge leaves the background alone.
    view->m_ptAnchor = QPoint(35, 19);
    view->m_ptCurrent = QPoint(35, 30);  // radius 11: out to x = 46
    shown = Grab(view);
    QCOMPARE(shown.pixelColor(24, 20), Inverted(colour));
    for (int y = 0; y < 60; ++y)
        for (int x = 40; x < 60; ++x)
            QCOMPARE(shown.pixelColor(x, y), background);

    // No circle in move-point mode or without the flag.
    for (const auto& [mode, show] : {std::pair{0, true}, std::pair{2, false}}) {
        view->m_nToolMode = mode;
        view->m_bShowCircle = show;
        shown = Grab(view);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                QCOMPARE(shown.pixelColor(x, y), colour);
    }
}

void ViewTest::pageHoldsThePictureFittedAtTheTopLeft()
{
    const std::vector<std::uint8_t> rows = Pattern24(4, 2);
    BITMAPINFOHEADER header = testpictures::InfoHeader(4, 2, 24);
    // A wide page: the height limits, the picture is 200 x 100 at the top-left.
    QImage page(600, 100, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        CGrimassoView::DrawPictureOnPage(painter, page.rect(), header, rows.data());
    }
    QCOMPARE(page.pixelColor(0, 0), PixelOf(rows, 4, 0, 1));
    QCOMPARE(page.pixelColor(199, 99), PixelOf(rows, 4, 3, 0));
    QCOMPARE(page.pixelColor(120, 20), PixelOf(rows, 4, 2, 1));
    QCOMPARE(page.pixelColor(200, 0), QColor(Qt::white));
    QCOMPARE(page.pixelColor(599, 50), QColor(Qt::white));

    // A tall page with an offset printable area: the width limits.
    QImage tall(300, 900, QImage::Format_RGB32);
    tall.fill(Qt::white);
    {
        QPainter painter(&tall);
        CGrimassoView::DrawPictureOnPage(painter, QRect(20, 30, 200, 800), header, rows.data());
    }
    QCOMPARE(tall.pixelColor(19, 30), QColor(Qt::white));
    QCOMPARE(tall.pixelColor(20, 30), PixelOf(rows, 4, 0, 1));
    QCOMPARE(tall.pixelColor(219, 129), PixelOf(rows, 4, 3, 0));
    QCOMPARE(tall.pixelColor(20, 130), QColor(Qt::white));  // 200 x 100: the rest stays empty
}

void ViewTest::printingMakesExactlyOnePage()
{
    EditorHarness editor;
    QTemporaryDir folder;
    CGrimassoView* view = OpenPicture(editor, folder, 64, 32, Pattern24(64, 32));
    QVERIFY(view);
    view->SetZoom(4.0);  // the zoom plays no part in printing
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = folder.filePath(QStringLiteral("print.pdf"));
    printer.setOutputFileName(pdf);
    view->PrintOnto(printer);
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page/") +
                 bytes.count("/Type /Page "),
             qsizetype(1));
}

void ViewTest::printPreviewShowsOnePage()
{
    EditorHarness editor;
    QTemporaryDir folder;
    CGrimassoView* view = OpenPicture(editor, folder, 30, 60, Pattern24(30, 60));
    QVERIFY(view);
    int pages = -1;
    OnNextModalDialog([&pages](QDialog* dialog) {
        if (auto* preview = dialog->findChild<QPrintPreviewWidget*>()) {
            preview->updatePreview();
            pages = preview->pageCount();
        }
        dialog->reject();
    });
    QVERIFY(view->OnCmdMsg(ID_FILE_PRINT_PREVIEW));
    QCOMPARE(pages, 1);
}

QTEST_MAIN(ViewTest)
#include "ViewTest.moc"
