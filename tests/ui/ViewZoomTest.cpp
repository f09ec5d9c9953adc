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
        QTest::newRow("only too tall") << QSize(300, 1500) << true;
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
        if (!fitted) {
            QCOMPARE(view->GetZoom(), 1.0);
            QCOMPARE(zoomed, picture);
            return;
        }
        QVERIFY(view->GetZoom() < 1.0);
        // Whole, without scroll bars, as large as the window allows, with its aspect.
        QVERIFY2(zoomed.width() <= client.width() && zoomed.height() <= client.height(),
                 qPrintable(QStringLiteral("%1 x %2 in %3 x %4").arg(zoomed.width()).arg(zoomed.height())
                                .arg(client.width()).arg(client.height())));
        QVERIFY(zoomed.width() >= client.width() - 1 || zoomed.height() >= client.height() - 1);
        QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(view->verticalScrollBar()->maximum(), 0);
        QVERIFY(std::abs(zoomed.width() * picture.height() - zoomed.height() * picture.width()) <=
                std::max(picture.width(), picture.height()));
        // The screen's last pixel shows the picture's far corner (within a screen pixel).
        const QPoint corner = view->DeviceToPicture(QPoint(zoomed.width() - 1, zoomed.height() - 1));
        const int pixel = static_cast<int>(std::ceil(1.0 / view->GetZoom()));
        QVERIFY(corner.x() >= picture.width() - 1 - pixel && corner.y() <= pixel);
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
            QVERIFY2(StaysUnder(underEye, view->DeviceToPicture(eye), zoom, view->GetZoom()),
                     qPrintable(QStringLiteral("notch %1: (%2, %3) instead of (%4, %5)").arg(notch + 1)
                                    .arg(view->DeviceToPicture(eye).x()).arg(view->DeviceToPicture(eye).y())
                                    .arg(underEye.x()).arg(underEye.y())));
            zoom = view->GetZoom();
        }
        QVERIFY(view->GetZoom() > fitted);
        QVERIFY(view->horizontalScrollBar()->value() > 0);

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
        const auto* document = view->GetDocument();
        const std::vector<MapEntry> untouched = MapOf(*document->GetWarpField());
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
        QVERIFY(!view->IsPanning());
        QVERIFY(MapOf(*document->GetWarpField()) == untouched);
        QVERIFY(!view->GetDocument()->IsModified());

        // Without the space bar the left button deforms again.
        Drag(view, {{100, 100}, {110, 104}});
        QVERIFY(MapOf(*document->GetWarpField()) != untouched);
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
                QVERIFY2(std::abs(qGray(screen.pixel(at)) - 128) <= 3,
                         qPrintable(QStringLiteral("zoom %1: grey %2").arg(zoom).arg(qGray(screen.pixel(at)))));
        }
        view->SetZoom(1.0);
        QCOMPARE(qGray(shown(view).pixel(0, 0)), 255);
    QCOMPARE(qGray(shown(view).pixel(1, 0)), 0);

        // A drag at zoom 1/2 changes a box of the halved copy: the view shows
        // what a view that builds its copies afresh shows.
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
