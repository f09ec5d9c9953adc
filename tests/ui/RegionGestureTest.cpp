// The region tools driven by mouse events and their dialogs: the circle while
// dragging, every slider value previewed once from the state at the release,
// OK, Cancel and Escape, clicks that define no region, and the rotate values
// whichever slider moved last.
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cmath>

#include "ToolGestureSupport.h"
#include "image/qt/DialogButtons.h"
#include "view/EnlargeDialog.h"
#include "view/RotateDialog.h"
#include "view/ShrinkDialog.h"

using namespace tooltest;

namespace {

// What the document showed right after one slider change.
struct PreviewState {
    std::vector<MapEntry> map;
    std::vector<std::uint8_t> picture;
    QPoint screenMismatch;
};

PreviewState StateOf(CGrimassoView* view)
{
    const CWarpField& field = *static_cast<CGrimassoDoc*>(view->GetDocument())->GetWarpField();
    return {MapOf(field), PictureOf(field), FirstScreenMismatch(view, field)};
}

// One region call of mode on field, in the gesture protocol.
void ApplyRegion(CWarpField& field, int mode, QPoint centre, double radius, int value, int gain = 100)
{
    field.BeginDeformation(static_cast<WarpMode>(mode));
    if (mode == CGrimassoView::kEnlarge)
        field.Enlarge(centre.x(), centre.y(), radius, value / 100.0);
    else if (mode == CGrimassoView::kShrink)
        field.Shrink(centre.x(), centre.y(), radius, value / 100.0);
    else
        field.Rotate(centre.x(), centre.y(), radius, static_cast<double>(value), gain / 100.0);
    field.EndDeformation();
}

// A first move-point drag, so that a region gesture starts from a deformed map.
const std::vector<QPoint> kFirstDrag{{70, 50}, {80, 58}, {95, 60}};

void DragOnce(CGrimassoView* view, const std::vector<QPoint>& path)
{
    Press(view, path.front());
    for (std::size_t i = 1; i < path.size(); ++i)
        MoveTo(view, path[i]);
    Release(view, path.back());
}

std::unique_ptr<CWarpField> AfterFirstDrag(const OpenedPicture& picture)
{
    auto field = picture.FreshField();
    std::int32_t ax = picture.PicturePointAtZoom1(kFirstDrag[0]).x();
    std::int32_t ay = picture.PicturePointAtZoom1(kFirstDrag[0]).y();
    field->BeginDeformation(ModeMovePoint);
    for (std::size_t i = 1; i < kFirstDrag.size(); ++i) {
        const QPoint to = picture.PicturePointAtZoom1(kFirstDrag[i]);
        field->MovePointLive(ax, ay, to.x(), to.y());
    }
    field->EndDeformation();
    return field;
}

QSlider* MainSlider(QDialog& dialog)
{
    if (auto* enlarge = qobject_cast<CEnlargeDialog*>(&dialog))
        return enlarge->SizeSlider();
    if (auto* shrink = qobject_cast<CShrinkDialog*>(&dialog))
        return shrink->SizeSlider();
    return qobject_cast<CRotateDialog*>(&dialog)->AngleSlider();
}

}  // namespace

class RegionGestureTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void circleIsCentredOnThePressAndPassesThroughThePointer()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 160, 120);
        QVERIFY(picture.view);
        picture.view->OnCmdMsg(ID_SHRINK);
        const CWarpField& field = *picture.document->GetWarpField();
        const QPoint centre(70, 60);

        auto onScreen = [&](QPoint at) { return QColor(ScreenOf(picture.view).pixel(at)); };
        auto pictureAt = [&](QPoint at) {
            return doctest::PixelOf(PictureOf(field), picture.width, at.x(), picture.height - 1 - at.y());
        };
        auto inverted = [](QColor c) { return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue()); };

        Press(picture.view, centre);
        MoveTo(picture.view, QPoint(90, 60));  // radius 20
        for (const QPoint at : {QPoint(90, 60), QPoint(50, 60), QPoint(70, 40), QPoint(70, 80)})
            QCOMPARE(onScreen(at), inverted(pictureAt(at)));
        QCOMPARE(onScreen(centre), pictureAt(centre));

        // The radius follows the pointer; the previous circle is gone from the screen.
        MoveTo(picture.view, QPoint(70, 95));  // radius 35
        const QImage screen = ScreenOf(picture.view);
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x) {
                const double distance = std::hypot(x - centre.x(), y - centre.y());
                const QColor expected = pictureAt(QPoint(x, y));
                if (std::abs(distance - 35.0) > 1.5)
                    QCOMPARE(QColor(screen.pixel(x, y)), expected);
            }
        for (const QPoint at : {QPoint(105, 60), QPoint(35, 60), QPoint(70, 25)})
            QCOMPARE(onScreen(at), inverted(pictureAt(at)));

        // The release opens the dialog; cancelled, the circle leaves the screen.
        WhenDialogOpens<CShrinkDialog>([](CShrinkDialog& dialog) { dialog.reject(); });
        Release(picture.view, QPoint(70, 95));
        QCOMPARE(FirstScreenMismatch(picture.view, field), QPoint(-1, -1));
    }

    void everySliderValuePreviewsTheGestureOnceFromTheRelease_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<int>("startValue");
        QTest::newRow("enlarge") << int(CGrimassoView::kEnlarge) << QList<int>{250, 1000, 400, 100}
                                 << CEnlargeDialog::kInitialPosition;
        QTest::newRow("shrink") << int(CGrimassoView::kShrink) << QList<int>{50, 1, 30, 100}
                                << CShrinkDialog::kInitialPosition;
        QTest::newRow("rotate") << int(CGrimassoView::kRotate) << QList<int>{90, -180, 45, 0}
                                << CRotateDialog::kAngleInitial;
    }

    void everySliderValuePreviewsTheGestureOnceFromTheRelease()
    {
        QFETCH(int, mode);
        QFETCH(QList<int>, values);
        QFETCH(int, startValue);
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 160, 120);
        QVERIFY(picture.view);
        DragOnce(picture.view, kFirstDrag);
        picture.view->SetToolMode(mode);
        const QPoint press(80, 55), pointer(92, 64);  // radius 15 around the press point

        std::vector<PreviewState> shown;
        WhenDialogOpens<QDialog>([&](QDialog& dialog) {
            for (const int value : values) {
                MainSlider(dialog)->setValue(value);
                shown.push_back(StateOf(picture.view));
            }
            QTest::mouseClick(OkButtonOf(&dialog), Qt::LeftButton);
        });
        Press(picture.view, press);
        MoveTo(picture.view, QPoint(85, 58));
        MoveTo(picture.view, pointer);
        Release(picture.view, QPoint(10, 10));  // the release position plays no part
        QCOMPARE(shown.size(), std::size_t(values.size()));

        const QPoint centre = picture.PicturePointAtZoom1(press);
        const double radius = std::hypot(pointer.x() - press.x(), pointer.y() - press.y());
        const std::vector<MapEntry> atRelease = MapOf(*AfterFirstDrag(picture));
        for (int i = 0; i < values.size(); ++i) {
            auto expected = AfterFirstDrag(picture);
            ApplyRegion(*expected, mode, centre, radius, values[i]);
            QVERIFY2(shown[i].map == MapOf(*expected), qPrintable(QStringLiteral("value %1").arg(values[i])));
            QVERIFY(shown[i].picture == PictureOf(*expected));
            QCOMPARE(shown[i].screenMismatch, QPoint(-1, -1));
            if (values[i] != startValue)
                QVERIFY(shown[i].map != atRelease);
        }
        // Back at the start value the picture is the one at the release; OK keeps it.
        QVERIFY(shown.back().map == atRelease);
        const CWarpField& field = *picture.document->GetWarpField();
        QVERIFY(MapOf(field) == atRelease);
        QCOMPARE(field.CanUndo(), 1);
    }

    void okWithoutASliderChangeKeepsThePictureAndOffersUndo()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 160, 120);
        QVERIFY(picture.view);
        picture.view->SetToolMode(CGrimassoView::kEnlarge);
        WhenDialogOpens<CEnlargeDialog>([](CEnlargeDialog& dialog) {
            QTest::mouseClick(OkButtonOf(&dialog), Qt::LeftButton);
        });
        DragOnce(picture.view, {{60, 60}, {70, 70}});

        const CWarpField& field = *picture.document->GetWarpField();
        QVERIFY(MapOf(field) == MapOf(*picture.FreshField()));
        QVERIFY(PictureOf(field) == PictureOf(*picture.FreshField()));
        QVERIFY(UndoOffered(picture.view));
        // A confirmed gesture counts as a change of the document.
        QVERIFY(picture.document->IsModified());
        // The circle has left the screen.
        QCOMPARE(FirstScreenMismatch(picture.view, field), QPoint(-1, -1));
        picture.view->OnCmdMsg(ID_EDIT_UNDO);
        QVERIFY(MapOf(field) == MapOf(*picture.FreshField()));
        QVERIFY(!UndoOffered(picture.view));
    }

    void cancelTakesThePreviewBackAndOffersNoUndo_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("Abbrechen") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("closing the window") << 2;
    }

    void cancelTakesThePreviewBackAndOffersNoUndo()
    {
        QFETCH(int, way);
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 160, 120);
        QVERIFY(picture.view);
        DragOnce(picture.view, kFirstDrag);
        picture.document->SetModifiedFlag(false);
        const std::vector<MapEntry> afterDrag = MapOf(*picture.document->GetWarpField());

        picture.view->SetToolMode(CGrimassoView::kRotate);
        bool previewed = false;
        WhenDialogOpens<CRotateDialog>([&](CRotateDialog& dialog) {
            dialog.AngleSlider()->setValue(120);
            previewed = MapOf(*picture.document->GetWarpField()) != afterDrag;
            if (way == 0) {
                if (auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("cancelButton")))
                    QTest::mouseClick(cancel, Qt::LeftButton);
            } else if (way == 1) {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            } else {
                dialog.close();
            }
            if (dialog.isVisible())
                dialog.accept();  // no cancel button found: let the checks below fail
        });
        DragOnce(picture.view, {{90, 50}, {100, 50}, {110, 60}});
        QVERIFY(previewed);

        const CWarpField& field = *picture.document->GetWarpField();
        QVERIFY(MapOf(field) == afterDrag);
        QVERIFY(PictureOf(field) == PictureOf(*AfterFirstDrag(picture)));
        QCOMPARE(field.CanUndo(), 0);
        QVERIFY(!UndoOffered(picture.view));
        QVERIFY(!picture.document->IsModified());
        QCOMPARE(FirstScreenMismatch(picture.view, field), QPoint(-1, -1));
    }

    void rotatePreviewsBothSlidersWhicheverMovedLast_data()
    {
        QTest::addColumn<bool>("angleFirst");
        QTest::newRow("angle, then amplification") << true;
        QTest::newRow("amplification, then angle") << false;
    }

    void rotatePreviewsBothSlidersWhicheverMovedLast()
    {
        QFETCH(bool, angleFirst);
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 160, 120);
        QVERIFY(picture.view);
        picture.view->SetToolMode(CGrimassoView::kRotate);
        WhenDialogOpens<CRotateDialog>([angleFirst](CRotateDialog& dialog) {
            if (angleFirst) {
                dialog.AngleSlider()->setValue(-90);
                dialog.GainSlider()->setValue(250);
            } else {
                dialog.GainSlider()->setValue(250);
                dialog.AngleSlider()->setValue(-90);
            }
            QTest::mouseClick(OkButtonOf(&dialog), Qt::LeftButton);
        });
        DragOnce(picture.view, {{80, 60}, {90, 70}, {100, 60}});

        auto expected = picture.FreshField();
        ApplyRegion(*expected, CGrimassoView::kRotate, picture.PicturePointAtZoom1({80, 60}), 20.0, -90, 250);
        QVERIFY(MapOf(*picture.document->GetWarpField()) == MapOf(*expected));
        // Not the same as without the amplification.
        auto plain = picture.FreshField();
        ApplyRegion(*plain, CGrimassoView::kRotate, picture.PicturePointAtZoom1({80, 60}), 20.0, -90, 100);
        QVERIFY(MapOf(*plain) != MapOf(*expected));
    }

    void aGestureWithoutARegionOpensNoDialog_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<QPoint>>("path");
        QTest::newRow("enlarge, click") << int(CGrimassoView::kEnlarge) << QList<QPoint>{{50, 50}};
        QTest::newRow("shrink, click") << int(CGrimassoView::kShrink) << QList<QPoint>{{50, 50}};
        QTest::newRow("rotate, click") << int(CGrimassoView::kRotate) << QList<QPoint>{{50, 50}};
        QTest::newRow("rotate, back to the press point") << int(CGrimassoView::kRotate)
                                                         << QList<QPoint>{{50, 50}, {70, 50}, {50, 50}};
    }

    void aGestureWithoutARegionOpensNoDialog()
    {
        QFETCH(int, mode);
        QFETCH(QList<QPoint>, path);
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 120, 90);
        QVERIFY(picture.view);
        picture.view->SetToolMode(mode);
        // An earlier gesture left a pointer position behind.
        picture.view->m_ptCurrent = QPoint(100, 10);

        QVERIFY(!OpensADialog([&] { DragOnce(picture.view, std::vector<QPoint>(path.begin(), path.end())); }));
        const CWarpField& field = *picture.document->GetWarpField();
        QVERIFY(MapOf(field) == MapOf(*picture.FreshField()));
        QCOMPARE(field.CanUndo(), 0);
        QVERIFY(!picture.document->IsModified());
        QCOMPARE(FirstScreenMismatch(picture.view, field), QPoint(-1, -1));
    }

    void losingTheMouseEndsARegionDragWithoutADialog()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 120, 90);
        QVERIFY(picture.view);
        picture.view->SetToolMode(CGrimassoView::kEnlarge);
        Press(picture.view, QPoint(60, 40));
        MoveTo(picture.view, QPoint(80, 40));
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        QTRY_VERIFY(!picture.view->HasCapture());

        QVERIFY(!OpensADialog([&] { Release(picture.view, QPoint(80, 40)); }));
        const CWarpField& field = *picture.document->GetWarpField();
        QVERIFY(MapOf(field) == MapOf(*picture.FreshField()));
        QCOMPARE(field.CanUndo(), 0);
        // No circle is left on the screen.
        QCOMPARE(FirstScreenMismatch(picture.view, field), QPoint(-1, -1));
    }
};

QTEST_MAIN(RegionGestureTest)
#include "RegionGestureTest.moc"
