// SPDX-License-Identifier: GPL-3.0-or-later
// "Übertreiben..." from the view down to the map, the original and grid views in
// every window of a document (and what switches the original off), and the
// video dialog's timing and size fields.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

#include "ToolGestureSupport.h"
#include "view/VideoDialog.h"
#include "view/VideoTimingFields.h"
#include "view/ExaggerateDialog.h"
#include "view/GridOverlay.h"

using namespace tooltest;

namespace {

const std::vector<QPoint> kDrag{{30, 30}, {45, 40}, {70, 45}};

// The dragged picture exaggerated to percent, built without the editor.
std::vector<MapEntry> ExpectedMap(const OpenedPicture& picture, double percent)
{
    auto field = picture.Dragged(kDrag);
    field->BeginDeformation(ModeExaggerate);
    field->Exaggerate(percent / 100.0);
    field->EndDeformation();
    return MapOf(*field);
}

// The view's pixels at zoom 1 from the window system's copy of the window.
QImage ScreenOf(CGrimassoView* view)
{
    QWidget* top = view->window();
    const QPoint origin = view->viewport()->mapTo(top, QPoint(0, 0));
    return top->windowHandle()->screen()->grabWindow(top->winId(), origin.x(), origin.y(), view->viewport()->width(),
                                                     view->viewport()->height()).toImage();
}

QRgb PictureColour(const std::uint8_t* rows, int rowBytes, int height, int x, int yFromTop)
{
    const std::uint8_t* p = rows + static_cast<std::size_t>(height - 1 - yFromTop) * rowBytes + 3 * x;
    return qRgb(p[2], p[1], p[0]);
}

// How many pixels of the screen copy differ from rows (the first width x height).
int Differences(const QImage& screen, const std::uint8_t* rows, int rowBytes, int width, int height)
{
    int count = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            count += screen.pixel(x, y) != PictureColour(rows, rowBytes, height, x, y);
    return count;
}

}  // namespace

class CompareViewTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void exaggerateFollowsSliderAndFieldAndCancelRestoresExactly()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 100, 80);
        QVERIFY(picture.view);
        Drag(picture.view, kDrag);
        const std::vector<MapEntry> dragged = MapOf(picture.Field());
        picture.document->SetModifiedFlag(false);
        QVERIFY(StateOf(picture.view, ID_EXAGGERATE).m_bEnabled);

        bool checked = false;
        WhenDialogOpens<CExaggerateDialog>([&](CExaggerateDialog& dialog) {
            QCOMPARE(dialog.PercentSlider()->value(), 100);
            QCOMPARE(dialog.PercentSlider()->maximum(), 300);
            dialog.PercentSlider()->setValue(250);
            QCOMPARE(dialog.PercentField()->value(), 250.0);
            QVERIFY(MapOf(picture.Field()) == ExpectedMap(picture, 250));
            QCoreApplication::processEvents();
            QCOMPARE(FirstScreenMismatch(picture.view, picture.Field()), QPoint(-1, -1));
            // A decimal in the number field moves the slider to the nearest step.
            dialog.PercentField()->setValue(37.5);
            QCOMPARE(dialog.PercentSlider()->value(), 38);
            QVERIFY(MapOf(picture.Field()) == ExpectedMap(picture, 37.5));
            checked = true;
            dialog.reject();
        });
        QVERIFY(picture.view->OnCmdMsg(ID_EXAGGERATE));
        QVERIFY(checked);
        QVERIFY(MapOf(picture.Field()) == dragged);
        QVERIFY(!picture.document->IsModified());

        WhenDialogOpens<CExaggerateDialog>([](CExaggerateDialog& dialog) {
            dialog.PercentField()->setValue(0);
            dialog.accept();
        });
        QVERIFY(picture.view->OnCmdMsg(ID_EXAGGERATE));
        QVERIFY(MapOf(picture.Field()) == ExpectedMap(picture, 0));
        QVERIFY(picture.document->IsModified());
        QVERIFY(picture.view->OnCmdMsg(ID_EDIT_UNDO));
        QVERIFY(MapOf(picture.Field()) == dragged);
    }

    void originalShowsInEveryWindowUntilAGestureOrUndo()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 100, 80);
        QVERIFY(picture.view);
        auto* second = static_cast<CGrimassoView*>(editor.Manager().CreateNewWindow(picture.document));
        QVERIFY(second);
        if (QWidget* frame = second->GetParentFrame())
            frame->resize(frame->size().expandedTo(QSize(180, 160)));
        Drag(picture.view, kDrag);
        const CWarpField& field = picture.Field();
        const std::vector<std::uint8_t> deformed = PictureOf(field);

        const auto showsOriginal = [&](CGrimassoView* view) {
            return Differences(ScreenOf(view), field.Original(), field.RowBytesOfPicture(), 100, 80) == 0;
        };
        // Each way of switching it off, after switching it on.
        const std::vector<std::pair<const char*, std::function<void()>>> switchesOff = {
            {"the command again", [&] { picture.view->OnCmdMsg(ID_VIEW_ORIGINAL); }},
            {"a drag in the other window", [&] { Drag(second, {{60, 20}, {64, 25}}); }},
            {"undo", [&] { picture.view->OnCmdMsg(ID_EDIT_UNDO); }},
            {"smoothing", [&] { second->OnCmdMsg(ID_SMOOTH); }},
        };
        for (const auto& [name, switchOff] : switchesOff) {
            QVERIFY2(picture.view->OnCmdMsg(ID_VIEW_ORIGINAL), name);
            QVERIFY2(StateOf(second, ID_VIEW_ORIGINAL).m_bChecked, name);
            QCoreApplication::processEvents();
            QVERIFY2(showsOriginal(picture.view) && showsOriginal(second), name);
            QVERIFY2(PictureOf(field) != std::vector<std::uint8_t>(field.Original(), field.Original() + deformed.size()),
                     name);
            switchOff();
            QCoreApplication::processEvents();
            QVERIFY2(!StateOf(picture.view, ID_VIEW_ORIGINAL).m_bChecked, name);
            QCOMPARE(FirstScreenMismatch(picture.view, field), QPoint(-1, -1));
            QCOMPARE(FirstScreenMismatch(second, field), QPoint(-1, -1));
        }
    }

    void gridMarksWhereTheOriginalGridEndedUpAndChangesNoPixel()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 100, 80);
        QVERIFY(picture.view);
        Drag(picture.view, kDrag);
        const CWarpField& field = picture.Field();
        const std::vector<std::uint8_t> before = PictureOf(field);
        QVERIFY(picture.view->OnCmdMsg(ID_VIEW_GRID));
        QVERIFY(StateOf(picture.view, ID_VIEW_GRID).m_bChecked);
        QCoreApplication::processEvents();
        const QImage screen = ScreenOf(picture.view);
        int lines = 0;
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 100; ++x) {
                const MapEntry entry = field.Map()[static_cast<std::size_t>(79 - y) * 100 + x];
                const bool onGrid = entry.x % kGridSpacing == 0 || entry.y % kGridSpacing == 0;
                const bool shown = screen.pixel(x, y) !=
                                   PictureColour(field.Deformed(), field.RowBytesOfPicture(), 80, x, y);
                QVERIFY2(onGrid == shown, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                lines += onGrid;
            }
        QVERIFY(lines > 200);  // three columns and two rows of the original, bent by the drag
        QVERIFY(PictureOf(field) == before);
        QVERIFY(picture.view->OnCmdMsg(ID_VIEW_GRID));
        QCoreApplication::processEvents();
        QCOMPARE(FirstScreenMismatch(picture.view, field), QPoint(-1, -1));
    }

    void videoDialogReadsTimingAndOffersSmallerSizesOnly()
    {
        VideoDialog dialog;
        dialog.durationMs = 2000;
        dialog.framesPerSecond = 7;
        dialog.path = QDir(QDir::tempPath()).filePath(QStringLiteral("grimasso-timing-test.avi"));
        QFile::remove(dialog.path);
        dialog.pictureLongSide = 1500;
        dialog.show();
        const VideoTimingFields& fields = dialog.TimingFields();
        QCOMPARE(fields.SizeList()->count(), 4);  // own size, 1280, 720, 480
        QCOMPARE(fields.EaseList()->itemText(1), QStringLiteral("Weich"));
        fields.EaseList()->setCurrentIndex(1);
        fields.PingPongBox()->setChecked(true);
        fields.ReverseBox()->setChecked(true);
        fields.HoldStartEdit()->setText(QStringLiteral("250"));
        fields.HoldEndEdit()->setText(QStringLiteral("10000"));
        fields.SizeList()->setCurrentIndex(2);
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(dialog.timing.ease == VideoEase::Smooth);
        QVERIFY(dialog.timing.loop == VideoLoop::PingPong);
        QVERIFY(dialog.timing.reverse);
        QCOMPARE(dialog.timing.holdStartMs, 250u);
        QCOMPARE(dialog.timing.holdEndMs, 10000u);
        QCOMPARE(dialog.videoSize, 720);
    }
};

QTEST_MAIN(CompareViewTest)
#include "CompareViewTest.moc"
