// SPDX-License-Identifier: GPL-3.0-or-later
// The move-point tool driven by mouse events: the map a drag leaves, positions
// outside the view, the loss of the mouse in the middle of a drag, and what the
// screen of every window of the document shows after each step.
#include <QPaintEvent>
#include <QtTest>

#include "ToolGestureSupport.h"

using namespace tooltest;

namespace {

// Collects the rectangles the client area is painted in.
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

}  // namespace

class ToolInteractionTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void dragLeavesTheMapOfTheSameLiveSteps_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QList<QPoint>>("path");
        // Short steps are only previewed until the release; long ones commit sub-moves at once.
        QTest::newRow("short steps") << 1.0 << QList<QPoint>{{60, 40}, {63, 42}, {66, 45}, {70, 47}};
        QTest::newRow("long jumps") << 1.0 << QList<QPoint>{{30, 30}, {75, 50}, {100, 20}, {40, 70}};
        QTest::newRow("zoom 2") << 2.0 << QList<QPoint>{{80, 60}, {110, 90}, {150, 95}};
        QTest::newRow("zoom 1/3, drawn from the halved copies") << 1.0 / 3 << QList<QPoint>{{20, 15}, {22, 17}, {31, 20}};
        QTest::newRow("zoom 16") << 16.0 << QList<QPoint>{{300, 200}, {340, 230}, {420, 260}};
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
        // The client-area points the same picture points have at zoom 1.
        std::vector<QPoint> atZoom1;
        for (const QPoint& at : path)
            atZoom1.push_back(QPoint(int(at.x() / zoom + 0.5), int(at.y() / zoom + 0.5)));

        Drag(picture.view, std::vector<QPoint>(path.begin(), path.end()));
        const auto expected = picture.Dragged(atZoom1);
        QVERIFY(MapOf(picture.Field()) == MapOf(*expected));
        QVERIFY(PictureOf(picture.Field()) == PictureOf(*expected));
        QVERIFY(MapOf(picture.Field()) != MapOf(*picture.FreshField()));
        QVERIFY(picture.document->IsModified());
    }

    void dragOutsideTheViewIsClampedToThePictureEdge()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 100, 80);
        QVERIFY(picture.view);
        const std::vector<QPoint> path{{90, 70}, {140, 75}, {300, 200}, {-40, 500}, {-60, -30}};
        Drag(picture.view, path);
        QCOMPARE(picture.At(path.back()), QPoint(0, 79));  // left of and above: the top-left pixel
        QVERIFY(MapOf(picture.Field()) == MapOf(*picture.Dragged(path)));
        QVERIFY(QRect(0, 0, 100, 80).contains(picture.view->m_ptAnchor));
    }

    void aClickKeepsTheUndoOfTheLastDrag()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 100, 80);
        QVERIFY(picture.view);
        Drag(picture.view, {{20, 20}, {26, 24}});
        picture.document->SetModifiedFlag(false);
        // A click, as when activating the window, changes nothing...
        Drag(picture.view, {{50, 50}});
        QVERIFY(MapOf(picture.Field()) == MapOf(*picture.Dragged({{20, 20}, {26, 24}})));
        QVERIFY(!picture.document->IsModified());
        // ...and Undo still takes the drag back.
        picture.view->OnCmdMsg(ID_EDIT_UNDO);
        QVERIFY(MapOf(picture.Field()) == MapOf(*picture.FreshField()));
    }

    void losingTheMouseFinishesTheDragAsAReleaseWould_data()
    {
        QTest::addColumn<bool>("otherWindow");
        QTest::newRow("another window becomes active") << true;
        QTest::newRow("the release went elsewhere") << false;
    }
    void losingTheMouseFinishesTheDragAsAReleaseWould()
    {
        QFETCH(bool, otherWindow);
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 120, 90);
        QVERIFY(picture.view);
        const std::vector<QPoint> path{{40, 40}, {46, 44}, {52, 47}};
        Press(picture.view, path[0]);
        MoveTo(picture.view, path[1]);
        MoveTo(picture.view, path[2]);
        QWidget other;
        if (otherWindow) {
            other.show();
            QApplication::setActiveWindow(&other);
        } else {
            MoveTo(picture.view, QPoint(100, 80), false);  // the button is up again
        }
        QTRY_VERIFY(!picture.view->HasCapture());
        // The map holds the whole drag and the picture agrees with it: no preview is left over.
        const auto expected = picture.Dragged(path);
        QVERIFY(MapOf(picture.Field()) == MapOf(*expected));
        QVERIFY(PictureOf(picture.Field()) == PictureOf(*expected));

        // Moves and a release that arrive afterwards belong to no gesture.
        MoveTo(picture.view, QPoint(90, 20));
        Release(picture.view, QPoint(90, 20));
        QVERIFY(MapOf(picture.Field()) == MapOf(*expected));
    }

    void eachStepRepaintsItsAreaAtOnceInEveryWindow()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 200, 150);
        QVERIFY(picture.view);
        auto* second = static_cast<CGrimassoView*>(editor.Manager().CreateNewWindow(picture.document));
        QVERIFY(second);
        second->GetParentFrame()->resize(second->GetParentFrame()->size().expandedTo(QSize(280, 230)));
        QTest::qWait(20);

        PaintRecorder recorder(picture.view->viewport());
        const std::vector<QPoint> path{{100, 75}, {108, 70}, {140, 60}, {125, 95}, {60, 100}};
        Press(picture.view, path[0]);
        for (std::size_t i = 1; i < path.size(); ++i) {
            recorder.painted.clear();
            MoveTo(picture.view, path[i]);
            // Painted before the move returned, and only around the change.
            QVERIFY(!recorder.painted.isEmpty());
            for (const QRect& rect : recorder.painted)
                QVERIFY(rect.width() < 160 && rect.height() < 160);
            QCOMPARE(FirstScreenMismatch(picture.view, picture.Field()), QPoint(-1, -1));
            // The other window catches up at its next paint.
            QCoreApplication::processEvents();
            QCOMPARE(FirstScreenMismatch(second, picture.Field()), QPoint(-1, -1));
        }
        Release(picture.view, path.back());
        QCoreApplication::processEvents();
        QCOMPARE(FirstScreenMismatch(picture.view, picture.Field()), QPoint(-1, -1));
        QCOMPARE(FirstScreenMismatch(second, picture.Field()), QPoint(-1, -1));
    }
};

QTEST_MAIN(ToolInteractionTest)
#include "ToolInteractionTest.moc"
