// SPDX-License-Identifier: GPL-3.0-or-later
// The region tool dialogs: which previews reach the view, with which values,
// for the mouse and the keyboard, and how each way of closing ends the dialog.
#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <functional>
#include <vector>

#include "view/EnlargeDialog.h"
#include "view/RegionPreview.h"
#include "view/RotateDialog.h"
#include "view/ShrinkDialog.h"

namespace {

struct PreviewCall {
    char tool;  // 'e'nlarge, 's'hrink, 'r'otate
    double first;
    double second;
};

class RecordingPreview : public IRegionPreview {
public:
    void PreviewEnlarge(double factor) override { calls.push_back({'e', factor, 0.0}); }
    void PreviewShrink(double factor) override { calls.push_back({'s', factor, 0.0}); }
    void PreviewRotate(double angle, double amplification) override
    {
        calls.push_back({'r', angle, amplification});
    }
    std::vector<PreviewCall> calls;
};

QRect HandleRect(QSlider* slider)
{
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.subControls = QStyle::SC_All;
    option.orientation = slider->orientation();
    option.state |= QStyle::State_Horizontal;
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.singleStep = slider->singleStep();
    option.pageStep = slider->pageStep();
    option.tickPosition = slider->tickPosition();
    option.tickInterval = slider->tickInterval();
    option.upsideDown = slider->invertedAppearance() != (option.direction == Qt::RightToLeft);
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
}

void SendMove(QSlider* slider, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, at, slider->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &move);
}

// Presses the thumb, moves it by the steps (pixels along the track) and releases it.
void DragThumb(QSlider* slider, const std::vector<int>& xs)
{
    const QPoint start = HandleRect(slider).center();
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, start);
    QPoint at = start;
    for (const int x : xs) {
        at = QPoint(x, start.y());
        SendMove(slider, at);
    }
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, at);
}

// Every preview value differs from the one before: each change previews once.
bool NoRepeatedPreview(const std::vector<PreviewCall>& calls)
{
    for (std::size_t i = 1; i < calls.size(); ++i)
        if (calls[i].first == calls[i - 1].first && calls[i].second == calls[i - 1].second)
            return false;
    return true;
}

}  // namespace

class RegionDialogTest : public QObject {
    Q_OBJECT

private slots:
    void openingPreviewsNothing()
    {
        RecordingPreview preview;
        CEnlargeDialog enlarge(&preview);
        CShrinkDialog shrink(&preview);
        CRotateDialog rotate(&preview);
        enlarge.show();
        shrink.show();
        rotate.show();
        QCoreApplication::processEvents();
        QVERIFY(preview.calls.empty());

        // The ends of the ranges are checked through the keyboard tests below.
        QCOMPARE(enlarge.SizeSlider()->value(), 100);
        QCOMPARE(shrink.SizeSlider()->value(), 100);
        QCOMPARE(rotate.AngleSlider()->value(), 0);
        QCOMPARE(rotate.GainSlider()->value(), 100);
    }

    void draggingTheThumbPreviewsEveryNewPositionOnce()
    {
        RecordingPreview preview;
        CEnlargeDialog dialog(&preview);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QSlider* slider = dialog.SizeSlider();

        const int far = slider->width() + 50;
        DragThumb(slider, {slider->width() / 3, slider->width() / 2, far});
        QCOMPARE(slider->value(), 1000);
        QCOMPARE(preview.calls.size(), std::size_t{3});
        for (const PreviewCall& call : preview.calls)
            QCOMPARE(call.tool, 'e');
        QVERIFY(NoRepeatedPreview(preview.calls));
        QVERIFY(preview.calls[0].first > 1.0 && preview.calls[0].first < preview.calls[1].first);
        QCOMPARE(preview.calls.back().first, 10.0);

        // Back to the left end: factor 1.00 again, and the release adds nothing.
        preview.calls.clear();
        DragThumb(slider, {-50});
        QCOMPARE(slider->value(), 100);
        QCOMPARE(preview.calls.size(), std::size_t{1});
        QCOMPARE(preview.calls[0].first, 1.0);

        // A press and release without moving previews nothing.
        preview.calls.clear();
        DragThumb(slider, {});
        QVERIFY(preview.calls.empty());
    }

    void clickingTheTrackPreviewsThePageStep()
    {
        RecordingPreview preview;
        CEnlargeDialog dialog(&preview);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QSlider* slider = dialog.SizeSlider();
        const QPoint rightOfThumb(slider->width() - 5, HandleRect(slider).center().y());
        QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, rightOfThumb);
        QVERIFY(slider->value() > 100);
        QCOMPARE(preview.calls.size(), std::size_t{1});
        QCOMPARE(preview.calls[0].first, slider->value() / 100.0);
    }

    void keyboardActionsPreviewTheNewPosition()
    {
        RecordingPreview preview;
        CEnlargeDialog dialog(&preview);
        dialog.show();
        QSlider* slider = dialog.SizeSlider();

        QTest::keyClick(slider, Qt::Key_End);
        QTest::keyClick(slider, Qt::Key_Left);
        QTest::keyClick(slider, Qt::Key_Home);
        QTest::keyClick(slider, Qt::Key_Right);
        QTest::keyClick(slider, Qt::Key_PageUp);
        const std::vector<double> expected{10.0, 9.99, 1.0, 1.01, (101 + slider->pageStep()) / 100.0};
        QCOMPARE(preview.calls.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            QCOMPARE(preview.calls[i].tool, 'e');
            QCOMPARE(preview.calls[i].first, expected[i]);
        }

        // Home at the left end changes nothing and recomputes nothing.
        QTest::keyClick(slider, Qt::Key_Home);
        QTest::keyClick(slider, Qt::Key_Home);
        QCOMPARE(preview.calls.size(), expected.size() + 1);
    }

    void shrinkPreviewsItsFactorFromOnePercentToOne()
    {
        RecordingPreview preview;
        CShrinkDialog dialog(&preview);
        dialog.show();
        QSlider* slider = dialog.SizeSlider();
        QTest::keyClick(slider, Qt::Key_Home);
        QTest::keyClick(slider, Qt::Key_Right);
        QTest::keyClick(slider, Qt::Key_End);
        QCOMPARE(preview.calls.size(), std::size_t{3});
        QCOMPARE(preview.calls[0].tool, 's');
        QCOMPARE(preview.calls[0].first, 0.01);
        QCOMPARE(preview.calls[1].first, 0.02);
        QCOMPARE(preview.calls[2].first, 1.0);
    }

    void rotatePassesBothSlidersWhicheverMoved()
    {
        {
            RecordingPreview preview;
            CRotateDialog dialog(&preview);
            dialog.show();
            dialog.AngleSlider()->setValue(-90);
            dialog.GainSlider()->setValue(250);
            QCOMPARE(preview.calls.size(), std::size_t{2});
            QCOMPARE(preview.calls[0].tool, 'r');
            QCOMPARE(preview.calls[0].first, -90.0);
            QCOMPARE(preview.calls[0].second, 1.0);
            QCOMPARE(preview.calls[1].first, -90.0);
            QCOMPARE(preview.calls[1].second, 2.5);
        }
        {
            RecordingPreview preview;
            CRotateDialog dialog(&preview);
            dialog.show();
            dialog.GainSlider()->setValue(250);
            dialog.AngleSlider()->setValue(-90);
            QCOMPARE(preview.calls.size(), std::size_t{2});
            QCOMPARE(preview.calls[0].first, 0.0);
            QCOMPARE(preview.calls[0].second, 2.5);
            QCOMPARE(preview.calls[1].first, -90.0);
            QCOMPARE(preview.calls[1].second, 2.5);
        }
        {
            // The keyboard on either slider reaches the preview the same way.
            RecordingPreview preview;
            CRotateDialog dialog(&preview);
            dialog.show();
            QTest::keyClick(dialog.AngleSlider(), Qt::Key_Home);
            QTest::keyClick(dialog.GainSlider(), Qt::Key_End);
            QCOMPARE(preview.calls.size(), std::size_t{2});
            QCOMPARE(preview.calls[0].first, -180.0);
            QCOMPARE(preview.calls[0].second, 1.0);
            QCOMPARE(preview.calls[1].first, -180.0);
            QCOMPARE(preview.calls[1].second, 10.0);
        }
    }

    void okKeepsAndEveryOtherWayOutRejects()
    {
        RecordingPreview preview;
        const auto resultOf = [](QDialog&& dialog, const std::function<void(QDialog&)>& close) {
            dialog.show();
            dialog.setResult(-1);
            close(dialog);
            return dialog.isVisible() ? -1 : dialog.result();
        };
        const auto click = [](const char* name) {
            return [name](QDialog& dialog) {
                QTest::mouseClick(dialog.findChild<QPushButton*>(QLatin1String(name)), Qt::LeftButton);
            };
        };
        const auto key = [](Qt::Key k) {
            return [k](QDialog& dialog) { QTest::keyClick(dialog.findChild<QSlider*>(), k); };
        };
        QCOMPARE(resultOf(CEnlargeDialog(&preview), click("okButton")), int(QDialog::Accepted));
        QCOMPARE(resultOf(CShrinkDialog(&preview), key(Qt::Key_Return)), int(QDialog::Accepted));  // OK is the default
        QCOMPARE(resultOf(CRotateDialog(&preview), click("cancelButton")), int(QDialog::Rejected));
        QCOMPARE(resultOf(CEnlargeDialog(&preview), key(Qt::Key_Escape)), int(QDialog::Rejected));
        QCOMPARE(resultOf(CRotateDialog(&preview), [](QDialog& dialog) { dialog.close(); }), int(QDialog::Rejected));
        QVERIFY(preview.calls.empty());
    }
};

QTEST_MAIN(RegionDialogTest)
#include "RegionDialogTest.moc"
