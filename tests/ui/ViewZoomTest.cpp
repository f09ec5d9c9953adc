// SPDX-License-Identifier: GPL-3.0-or-later
// The view for large pictures: fitted on opening or at zoom 1, the wheel and
// the keys zooming about their point, panning with the middle button and the
// space bar, and the area-averaged picture when zoomed out, kept up to date.
#include <QScrollBar>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>

#include "ToolGestureSupport.h"

using namespace tooltest;

namespace {

// A picture of black and white pixels in a checkerboard.
std::vector<std::uint8_t> Checkerboard(int width, int height)
{
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(RowBytes(width, 24) * height), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::fill_n(rows.data() + RowBytes(width, 24) * y + 3 * x, 3, (x + y) % 2 ? 255 : 0);
    return rows;
}

CGrimassoView* Open(EditorHarness& editor, const QTemporaryDir& folder, int width, int height,
                    const std::vector<std::uint8_t>& rows)
{
    const QString path = folder.filePath(QStringLiteral("zoom%1x%2.bmp").arg(width).arg(height));
    doctest::WritePicture(path.toStdString(), width, height, rows);
    CDocument* document = editor.Manager().OpenDocumentFile(path);
    QCoreApplication::processEvents();
    return document && !document->GetViews().isEmpty() ? static_cast<CGrimassoView*>(document->GetViews().constFirst())
                                                       : nullptr;
}

void CtrlWheel(CGrimassoView* view, QPoint at, int notches)
{
    QWidget* area = view->viewport();
    QWheelEvent event(QPointF(at), QPointF(area->mapToGlobal(at)), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(area, &event);
}

// The picture points under device before and after a zoom lie within a
// client-area pixel at either zoom of each other, plus one for the rounding.
bool StaysUnder(QPoint before, QPoint after, double zoomBefore, double zoomAfter)
{
    const double slack = 1.0 + 0.5 / zoomBefore + 0.5 / zoomAfter;
    return std::abs(before.x() - after.x()) <= slack && std::abs(before.y() - after.y()) <= slack;
}

}  // namespace

class ViewZoomTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void largePicturesOpenFittedOthersAtZoomOne_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<bool>("fitted");
        QTest::newRow("4 : 3 photo") << QSize(2400, 1800) << true;
        QTest::newRow("wide panorama") << QSize(3000, 400) << true;
        QTest::newRow("fits the window") << QSize(400, 200) << false;
        QTest::newRow("the size of the sample") << QSize(512, 512) << false;
    }
    void largePicturesOpenFittedOthersAtZoomOne()
    {
        QFETCH(QSize, picture);
        QFETCH(bool, fitted);
        EditorHarness editor;
        QTemporaryDir folder;
        CGrimassoView* view =
            Open(editor, folder, picture.width(), picture.height(), testpictures::Pattern24(picture.width(), picture.height()));
        QVERIFY(view);
        const QSize zoomed = view->GetZoomedSize();
        const QSize client = view->maximumViewportSize();
        QCOMPARE(view->GetZoom() < 1.0, fitted);
        QVERIFY(!fitted || zoomed.width() >= client.width() - 1 || zoomed.height() >= client.height() - 1);
        // Whole, without scroll bars, with its aspect.
        QVERIFY(zoomed.width() <= client.width() && zoomed.height() <= client.height());
        QCOMPARE(view->horizontalScrollBar()->maximum() + view->verticalScrollBar()->maximum(), 0);
        QVERIFY(std::abs(zoomed.width() * picture.height() - zoomed.height() * picture.width()) <=
                std::max(picture.width(), picture.height()));
    }

    void wheelAndKeysZoomAboutTheirPoint()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        CGrimassoView* view = Open(editor, folder, 2400, 1800, testpictures::Pattern24(2400, 1800));
        QVERIFY(view);
        const double fitted = view->GetZoom();
        const QPoint eye(view->GetZoomedSize().width() * 3 / 10, view->GetZoomedSize().height() * 6 / 10);
        const QPoint underEye = view->DeviceToPicture(eye);

        // Three notches of the wheel with Ctrl, one at a time, over the eye.
        double zoom = fitted;
        for (int notch = 0; notch < 3; ++notch) {
            CtrlWheel(view, eye, 1);
            QCOMPARE(view->GetZoom(), CGrimassoView::ZoomStep(zoom, 1));
            QVERIFY(StaysUnder(underEye, view->DeviceToPicture(eye), zoom, view->GetZoom()));
            zoom = view->GetZoom();
        }

        // Ctrl+Minus about the middle of the client area.
        const QPoint middle = QRectF(view->viewport()->rect()).center().toPoint();
        const QPoint underMiddle = view->DeviceToPicture(middle);
        QVERIFY(view->OnCmdMsg(ID_ZOOM_OUT));
        QCOMPARE(view->GetZoom(), CGrimassoView::ZoomStep(zoom, -1));
        QVERIFY(StaysUnder(underMiddle, view->DeviceToPicture(middle), zoom, view->GetZoom()));

        // The steps end at 1/16 and 16; "Ganzes Bild" goes back to the fit.
        QCOMPARE(CGrimassoView::ZoomStep(1.0 / 16, -1), 1.0 / 16);
        QCOMPARE(CGrimassoView::ZoomStep(12.0, 5), 16.0);
        QVERIFY(view->OnCmdMsg(ID_ZOOM_WHOLE));
        QCOMPARE(view->GetZoom(), fitted);
    }

    void middleButtonAndSpaceBarPanWithoutDeforming()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        CGrimassoView* view = Open(editor, folder, 2400, 1800, testpictures::Pattern24(2400, 1800));
        QVERIFY(view);
        view->SetZoom(1.0);
        const std::vector<MapEntry> untouched = MapOf(*view->GetDocument()->GetWarpField());
        view->horizontalScrollBar()->setValue(300);
        view->verticalScrollBar()->setValue(200);

        SendMouse(view, QEvent::MouseButtonPress, QPoint(200, 200), Qt::MiddleButton, Qt::MiddleButton);
        SendMouse(view, QEvent::MouseMove, QPoint(150, 170), Qt::NoButton, Qt::MiddleButton);
        SendMouse(view, QEvent::MouseButtonRelease, QPoint(150, 170), Qt::MiddleButton, Qt::NoButton);
        QCOMPARE(view->ScrollPosition(), QPoint(350, 230));

        QTest::keyPress(view, Qt::Key_Space);
        Drag(view, {{100, 100}, {130, 90}, {160, 80}});
        QTest::keyRelease(view, Qt::Key_Space);
        QCOMPARE(view->ScrollPosition(), QPoint(290, 250));
        QVERIFY(MapOf(*view->GetDocument()->GetWarpField()) == untouched);
        // Without the space bar the left button deforms again.
        Drag(view, {{100, 100}, {110, 104}});
        QVERIFY(MapOf(*view->GetDocument()->GetWarpField()) != untouched);
    }

    void zoomedOutShowsTheAreaAverageKeptUpToDate()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        CGrimassoView* view = Open(editor, folder, 96, 96, Checkerboard(96, 96));
        QVERIFY(view);
        auto shown = [](CGrimassoView* v) { return v->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); };
        for (double zoom : {0.5, 0.25, 1.0 / 3}) {
            view->SetZoom(zoom);
            const QImage screen = shown(view);
            // Grey, where every n-th pixel would be black or white.
            for (const QPoint& at : {QPoint(3, 3), QPoint(10, 17)})
                QVERIFY(std::abs(qGray(screen.pixel(at)) - 128) <= 3);
        }

        // A drag at zoom 1/2 changes a box of the halved copy: the view shows
        // what a view that builds its copies afresh shows.
        view = Open(editor, folder, 97, 95, testpictures::Pattern24(97, 95));
        QVERIFY(view);
        view->SetZoom(0.5);
        shown(view);
        Drag(view, {{20, 20}, {30, 26}, {36, 30}});
        CGrimassoView fresh(view->GetDocument());
        fresh.OnInitialUpdate();
        fresh.SetZoom(0.5);
        fresh.resize(200, 200);
        fresh.show();
        QCoreApplication::processEvents();
        const QRect picture(QPoint(0, 0), view->GetZoomedSize());
        QCOMPARE(shown(view).copy(picture), shown(&fresh).copy(picture));
    }
};

QTEST_MAIN(ViewZoomTest)
#include "ViewZoomTest.moc"
