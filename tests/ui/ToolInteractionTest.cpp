// The move-point tool driven by mouse events: the map a drag leaves behind,
// positions outside the view, a click without a drag, the loss of the mouse in
// the middle of a drag, and what the screen of every window of the document
// shows after each step.
#include <QPaintEvent>
#include <QTemporaryDir>
#include <QtTest>

#include "ToolGestureSupport.h"

using namespace tooltest;

namespace {

// Collects the rectangles the client area was painted in.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget* area) { area->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted << static_cast<QPaintEvent*>(event)->rect();
        return false;
    }
    QList<QRect> painted;
};

// The same drag replayed on field: press at the first point, a live step to
// each later one, release.
void ReplayDrag(CWarpField& field, const std::vector<QPoint>& picturePoints)
{
    std::int32_t ax = picturePoints.front().x();
    std::int32_t ay = picturePoints.front().y();
    field.BeginDeformation(ModeMovePoint);
    for (std::size_t i = 1; i < picturePoints.size(); ++i)
        field.MovePointLive(ax, ay, picturePoints[i].x(), picturePoints[i].y());
    field.EndDeformation();
}

}  // namespace

class ToolInteractionTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void dragLeavesTheMapOfTheSameLiveSteps_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QList<QPoint>>("path");
        // Short steps are only previewed until the release; long ones commit
        // sub-moves at once; one returns to the press point.
        QTest::newRow("short steps") << 1.0 << QList<QPoint>{{60, 40}, {63, 42}, {66, 45}, {70, 47}};
        QTest::newRow("long jumps") << 1.0 << QList<QPoint>{{30, 30}, {75, 50}, {100, 20}, {40, 70}};
        QTest::newRow("back to the start") << 1.0 << QList<QPoint>{{50, 50}, {70, 50}, {50, 50}};
        QTest::newRow("zoom 2") << 2.0 << QList<QPoint>{{80, 60}, {110, 90}, {150, 95}};
    }

    void dragLeavesTheMapOfTheSameLiveSteps()
    {
        QFETCH(double, zoom);
        QFETCH(QList<QPoint>, path);
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 120, 90);
        QVERIFY(picture.view);
        picture.view->SetZoom(zoom);
        QVERIFY(!picture.document->IsModified());

        std::vector<QPoint> expectedPoints;
        for (const QPoint& at : path) {
            const QPoint logical = at + picture.view->ScrollPosition();
            // Logical to picture: round half up after dividing by the zoom, rows bottom-up.
            const QPoint downward(static_cast<int>(logical.x() / zoom + 0.5), static_cast<int>(logical.y() / zoom + 0.5));
            expectedPoints.push_back(QPoint(downward.x(), picture.height - 1 - downward.y()));
        }
        Press(picture.view, path.front());
        for (int i = 1; i < path.size(); ++i)
            MoveTo(picture.view, path[i]);
        Release(picture.view, path.back());

        auto expected = picture.FreshField();
        ReplayDrag(*expected, expectedPoints);
        const CWarpField& field = *picture.document->GetWarpField();
        QVERIFY(MapOf(field) == MapOf(*expected));
        QVERIFY(PictureOf(field) == PictureOf(*expected));
        QVERIFY(MapOf(field) != MapOf(*picture.FreshField()) || path.front() == path.back());
        QVERIFY(picture.document->IsModified());
        QCOMPARE(field.CanUndo(), 1);
    }

    void dragOutsideTheViewIsClampedToThePictureEdge()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 100, 80);
        QVERIFY(picture.view);
        const std::vector<QPoint> path{{90, 70}, {140, 75}, {300, 200}, {-40, 500}, {-60, -30}};
        Press(picture.view, path.front());
        for (std::size_t i = 1; i < path.size(); ++i)
            MoveTo(picture.view, path[i]);
        Release(picture.view, path.back());

        std::vector<QPoint> clamped;
        for (const QPoint& at : path)
            clamped.push_back(picture.PicturePointAtZoom1(at));
        QCOMPARE(clamped.back(), QPoint(0, 79));  // left of and above the picture: its top-left pixel
        auto expected = picture.FreshField();
        ReplayDrag(*expected, clamped);
        QVERIFY(MapOf(*picture.document->GetWarpField()) == MapOf(*expected));
        // The anchor handed back stays inside the picture as well.
        QVERIFY(QRect(0, 0, 100, 80).contains(picture.view->m_ptAnchor));
    }

    void clickWithoutDragChangesNothing()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 100, 80);
        QVERIFY(picture.view);
        // A previous drag leaves its last step pending until its release...
        Press(picture.view, QPoint(20, 20));
        MoveTo(picture.view, QPoint(26, 24));
        Release(picture.view, QPoint(26, 24));
        const std::vector<MapEntry> afterDrag = MapOf(*picture.document->GetWarpField());
        picture.document->SetModifiedFlag(false);

        // ...and a click afterwards must not repeat it.
        Press(picture.view, QPoint(50, 50));
        Release(picture.view, QPoint(50, 50));
        QVERIFY(MapOf(*picture.document->GetWarpField()) == afterDrag);
        QVERIFY(!picture.document->IsModified());
    }

    void losingTheMouseFinishesTheDragAsAReleaseWould()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 120, 90);
        QVERIFY(picture.view);
        const std::vector<QPoint> path{{40, 40}, {46, 44}, {52, 47}};
        Press(picture.view, path[0]);
        MoveTo(picture.view, path[1]);
        MoveTo(picture.view, path[2]);
        QVERIFY(picture.view->HasCapture());

        // Another window becomes the active one in the middle of the drag.
        QWidget other;
        other.resize(200, 100);
        other.show();
        QApplication::setActiveWindow(&other);
        QTRY_VERIFY(!picture.view->HasCapture());

        std::vector<QPoint> points;
        for (const QPoint& at : path)
            points.push_back(picture.PicturePointAtZoom1(at));
        auto expected = picture.FreshField();
        ReplayDrag(*expected, points);
        const CWarpField& field = *picture.document->GetWarpField();
        QVERIFY(MapOf(field) == MapOf(*expected));
        // The picture agrees with the map: nothing of the preview is left over.
        QVERIFY(PictureOf(field) == PictureOf(*expected));

        // Moves and the release that arrive afterwards belong to no gesture.
        MoveTo(picture.view, QPoint(90, 20));
        Release(picture.view, QPoint(90, 20));
        QVERIFY(MapOf(field) == MapOf(*expected));
    }

    void aReleaseThatWentElsewhereEndsTheDragAtTheNextMove()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 120, 90);
        QVERIFY(picture.view);
        Press(picture.view, QPoint(60, 30));
        MoveTo(picture.view, QPoint(65, 36));
        // The next move arrives without the button held.
        MoveTo(picture.view, QPoint(100, 80), false);
        QVERIFY(!picture.view->HasCapture());

        auto expected = picture.FreshField();
        ReplayDrag(*expected, {picture.PicturePointAtZoom1({60, 30}), picture.PicturePointAtZoom1({65, 36})});
        QVERIFY(MapOf(*picture.document->GetWarpField()) == MapOf(*expected));
        QVERIFY(PictureOf(*picture.document->GetWarpField()) == PictureOf(*expected));
    }

    void eachStepRepaintsItsAreaAtOnceInEveryWindow()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 200, 150);
        QVERIFY(picture.view);
        auto* second = static_cast<CGrimassoView*>(editor.Manager().CreateNewWindow(picture.document));
        QVERIFY(second);
        if (QWidget* frame = second->GetParentFrame())
            frame->resize(frame->size().expandedTo(QSize(280, 230)));
        QTest::qWait(20);
        const CWarpField& field = *picture.document->GetWarpField();

        PaintRecorder recorder(picture.view->viewport());
        const std::vector<QPoint> path{{100, 75}, {108, 70}, {140, 60}, {125, 95}, {60, 100}};
        Press(picture.view, path[0]);
        for (std::size_t i = 1; i < path.size(); ++i) {
            recorder.painted.clear();
            MoveTo(picture.view, path[i]);
            // Painted before the move returned, and only around the change.
            QVERIFY(!recorder.painted.isEmpty());
            for (const QRect& rect : recorder.painted)
                QVERIFY2(rect.width() < 160 && rect.height() < 160, qPrintable(QStringLiteral("%1 x %2")
                                                                               .arg(rect.width()).arg(rect.height())));
            QCOMPARE(FirstScreenMismatch(picture.view, field), QPoint(-1, -1));
            // The other window catches up at its next paint.
            QCoreApplication::processEvents();
            QCOMPARE(FirstScreenMismatch(second, field), QPoint(-1, -1));
        }
        Release(picture.view, path.back());
        QCoreApplication::processEvents();
        QCOMPARE(FirstScreenMismatch(picture.view, field), QPoint(-1, -1));
        QCOMPARE(FirstScreenMismatch(second, field), QPoint(-1, -1));
    }
};

QTEST_MAIN(ToolInteractionTest)
#include "ToolInteractionTest.moc"
