// SPDX-License-Identifier: GPL-3.0-or-later
// The region tools driven by mouse events and their dialogs: the circle while
// dragging, every slider value previewed once from the state at the release,
// OK and Cancel, gestures that define no region, and the rotate values
// whichever slider moved last.
#include <QPushButton>
#include <QSlider>
#include <QtTest>
#include <cmath>

#include "ToolGestureSupport.h"
#include "framework/DialogButtons.h"
#include "view/EnlargeDialog.h"
#include "view/RotateDialog.h"
#include "view/ShrinkDialog.h"

using namespace tooltest;

namespace {

// A move-point drag first, so that region gestures start from a deformed map.
const std::vector<QPoint> kFirstDrag{{70, 50}, {80, 58}, {95, 60}};

// One region gesture of mode on field, as the dialog's last preview leaves it.
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

QSlider* MainSlider(QDialog& dialog)
{
    if (auto* enlarge = qobject_cast<CEnlargeDialog*>(&dialog))
        return enlarge->SizeSlider();
    if (auto* shrink = qobject_cast<CShrinkDialog*>(&dialog))
        return shrink->SizeSlider();
    return static_cast<CRotateDialog&>(dialog).AngleSlider();
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
        const QPoint centre(70, 60);
        Press(picture.view, centre);
        MoveTo(picture.view, QPoint(90, 60));
        MoveTo(picture.view, QPoint(70, 95));  // the radius follows the pointer: 35
        // Only the outline of radius 35 around the press point differs from the
        // picture, all the way round; nothing is left of the outline of radius 20.
        const std::vector<QPoint> outline = ScreenMismatches(picture.view, picture.Field());
        QVERIFY(outline.size() > 150);
        for (const QPoint& at : outline)
            QVERIFY(std::abs(std::hypot(at.x() - centre.x(), at.y() - centre.y()) - 35.0) < 1.0);
        for (const QPoint at : {QPoint(105, 60), QPoint(35, 60), QPoint(70, 25), QPoint(70, 95)})
            QVERIFY(std::find(outline.begin(), outline.end(), at) != outline.end());
        WhenDialogOpens<CShrinkDialog>([](CShrinkDialog& dialog) { dialog.reject(); });
        Release(picture.view, QPoint(70, 95));
        // The dialog has gone and so has the circle.
        QCOMPARE(FirstScreenMismatch(picture.view, picture.Field()), QPoint(-1, -1));
    }

    void everySliderValuePreviewsTheGestureOnceFromTheRelease_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<int>>("values");  // the last is the start value again
        QTest::newRow("enlarge") << int(CGrimassoView::kEnlarge) << QList<int>{250, 1000, 400, 100};
        QTest::newRow("shrink") << int(CGrimassoView::kShrink) << QList<int>{50, 1, 30, 100};
        QTest::newRow("rotate") << int(CGrimassoView::kRotate) << QList<int>{90, -180, 45, 0};
    }
    void everySliderValuePreviewsTheGestureOnceFromTheRelease()
    {
        QFETCH(int, mode);
        QFETCH(QList<int>, values);
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 160, 120);
        QVERIFY(picture.view);
        Drag(picture.view, kFirstDrag);
        picture.view->SetToolMode(mode);

        std::vector<std::vector<MapEntry>> maps;
        std::vector<QPoint> mismatches;
        WhenDialogOpens<QDialog>([&](QDialog& dialog) {
            for (const int value : values) {
                MainSlider(dialog)->setValue(value);
                maps.push_back(MapOf(picture.Field()));
                mismatches.push_back(FirstScreenMismatch(picture.view, picture.Field()));
            }
            QTest::mouseClick(OkButtonOf(&dialog), Qt::LeftButton);
        });
        // Radius 15 around the press point; the release position plays no part.
        Press(picture.view, QPoint(80, 55));
        MoveTo(picture.view, QPoint(85, 58));
        MoveTo(picture.view, QPoint(92, 64));
        Release(picture.view, QPoint(10, 10));
        QCOMPARE(maps.size(), std::size_t(values.size()));

        const std::vector<MapEntry> atRelease = MapOf(*picture.Dragged(kFirstDrag));
        for (int i = 0; i < values.size(); ++i) {
            auto expected = picture.Dragged(kFirstDrag);
            ApplyRegion(*expected, mode, picture.At({80, 55}), 15.0, values[i]);
            QVERIFY2(maps[i] == MapOf(*expected), qPrintable(QString::number(values[i])));
            QCOMPARE(mismatches[i], QPoint(-1, -1));
            QCOMPARE(maps[i] == atRelease, i == values.size() - 1);
        }
        QVERIFY(MapOf(picture.Field()) == atRelease);
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
        Drag(picture.view, {{60, 60}, {70, 70}});
        QVERIFY(PictureOf(picture.Field()) == PictureOf(*picture.FreshField()));
        QVERIFY(StateOf(picture.view, ID_EDIT_UNDO).m_bEnabled);
        QVERIFY(picture.document->IsModified());  // a confirmed gesture is a change
        QCOMPARE(FirstScreenMismatch(picture.view, picture.Field()), QPoint(-1, -1));
    }

    void cancelTakesThePreviewBackAndOffersNoUndo_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Abbrechen") << false;
        QTest::newRow("Escape") << true;
    }
    void cancelTakesThePreviewBackAndOffersNoUndo()
    {
        QFETCH(bool, escape);
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 160, 120);
        QVERIFY(picture.view);
        Drag(picture.view, kFirstDrag);
        picture.document->SetModifiedFlag(false);
        const std::vector<MapEntry> afterDrag = MapOf(picture.Field());

        picture.view->SetToolMode(CGrimassoView::kRotate);
        bool previewed = false;
        WhenDialogOpens<CRotateDialog>([&](CRotateDialog& dialog) {
            dialog.AngleSlider()->setValue(120);
            previewed = MapOf(picture.Field()) != afterDrag;
            if (escape)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cancelButton")), Qt::LeftButton);
        });
        Drag(picture.view, {{90, 50}, {100, 50}, {110, 60}});
        QVERIFY(previewed);
        QVERIFY(MapOf(picture.Field()) == afterDrag);
        QVERIFY(PictureOf(picture.Field()) == PictureOf(*picture.Dragged(kFirstDrag)));
        QVERIFY(!StateOf(picture.view, ID_EDIT_UNDO).m_bEnabled);
        QVERIFY(!picture.document->IsModified());
        QCOMPARE(FirstScreenMismatch(picture.view, picture.Field()), QPoint(-1, -1));
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
            QSlider* first = angleFirst ? dialog.AngleSlider() : dialog.GainSlider();
            QSlider* second = angleFirst ? dialog.GainSlider() : dialog.AngleSlider();
            first->setValue(first == dialog.AngleSlider() ? -90 : 250);
            second->setValue(second == dialog.AngleSlider() ? -90 : 250);
            QTest::mouseClick(OkButtonOf(&dialog), Qt::LeftButton);
        });
        Drag(picture.view, {{80, 60}, {90, 70}, {100, 60}});  // radius 20
        auto expected = picture.FreshField();
        ApplyRegion(*expected, CGrimassoView::kRotate, picture.At({80, 60}), 20.0, -90, 250);
        QVERIFY(MapOf(picture.Field()) == MapOf(*expected));
    }

    void aGestureWithoutARegionOpensNoDialog_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<QPoint>>("path");
        QTest::addColumn<bool>("loseTheMouse");
        QTest::newRow("enlarge, click") << int(CGrimassoView::kEnlarge) << QList<QPoint>{{50, 50}} << false;
        QTest::newRow("shrink, click") << int(CGrimassoView::kShrink) << QList<QPoint>{{50, 50}} << false;
        QTest::newRow("rotate, back to the press point")
            << int(CGrimassoView::kRotate) << QList<QPoint>{{50, 50}, {70, 50}, {50, 50}} << false;
        QTest::newRow("enlarge, the mouse lost") << int(CGrimassoView::kEnlarge) << QList<QPoint>{{50, 50}, {80, 50}}
                                                 << true;
    }
    void aGestureWithoutARegionOpensNoDialog()
    {
        QFETCH(int, mode);
        QFETCH(QList<QPoint>, path);
        QFETCH(bool, loseTheMouse);
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 120, 90);
        QVERIFY(picture.view);
        picture.view->SetToolMode(mode);
        picture.view->m_ptCurrent = QPoint(100, 10);  // left behind by an earlier gesture

        const bool opened = OpensADialog([&] {
            Press(picture.view, path.front());
            for (int i = 1; i < path.size(); ++i)
                MoveTo(picture.view, path[i]);
            QWidget other;
            if (loseTheMouse) {
                other.show();
                QApplication::setActiveWindow(&other);
                QTRY_VERIFY(!picture.view->HasCapture());
            }
            Release(picture.view, path.back());
        });
        QVERIFY(!opened);
        QVERIFY(MapOf(picture.Field()) == MapOf(*picture.FreshField()));
        QCOMPARE(picture.Field().CanUndo(), 0);
        QVERIFY(!picture.document->IsModified());
        QCOMPARE(FirstScreenMismatch(picture.view, picture.Field()), QPoint(-1, -1));  // no circle left
    }
};

QTEST_MAIN(RegionGestureTest)
#include "RegionGestureTest.moc"
