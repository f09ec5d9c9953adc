// SPDX-License-Identifier: GPL-3.0-or-later
// The scale, move-options and JPEG settings dialogs: the coupling of width and
// height, range validation that keeps the dialog open, and the upside-down
// quality slider.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStringList>
#include <QtTest>

#include "framework/MessageBox.h"
#include "framework/DialogButtons.h"
#include "view/JpegDialog.h"
#include "view/MoveOptionsDialog.h"
#include "view/ScaleDialog.h"

namespace {

// Replaces the field's text the way a user does: select all, then type.
void Type(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        QTest::keyClicks(edit, text);
}

// A scale dialog shown for a picture of width x height with the box checked.
struct OpenScaleDialog {
    OpenScaleDialog(std::uint32_t width, std::uint32_t height)
    {
        dialog.m_nWidth = width;
        dialog.m_nHeight = height;
        dialog.m_bKeepAspect = 1;
        dialog.OnInitDialog();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    }
    CScaleDialog dialog;
};

}  // namespace

class DialogInputTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        messages.clear();
        SetMessageBoxHook([this](const QString& text, MessageButtons, MessageIcon) {
            messages << text;
            return MessageResult::Ok;
        });
    }
    void cleanup() { SetMessageBoxHook({}); }

    void scaleCouplingFollowsTheOpeningRatio_data();
    void scaleCouplingFollowsTheOpeningRatio();
    void scaleHeightDrivesWidth();
    void scaleUncheckedFieldsAreIndependentUntilCheckedAgain();
    void scaleRefusesOutOfRangeAndKeepsTheDialogOpen();
    void scaleChecksHeightBeforeWidth();
    void scaleAcceptsAndStores();

    void moveOptionsRange_data();
    void moveOptionsRange();

    void jpegSliderRunsUpsideDown();
    void jpegCancelKeepsTheValues();

private:
    QStringList messages;
};

void DialogInputTest::scaleCouplingFollowsTheOpeningRatio_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("640x480 width 100") << 640 << 480 << "100" << "75";
    QTest::newRow("640x480 width 1") << 640 << 480 << "1" << "1";
    QTest::newRow("3x2 width 5") << 3 << 2 << "5" << "3";
    QTest::newRow("3x2 width 1") << 3 << 2 << "1" << "1";
    // 4 gives height 3, which would give width 5 again if the write-back were not held off.
    QTest::newRow("3x2 width 4") << 3 << 2 << "4" << "3";
    QTest::newRow("cleared width") << 640 << 480 << "" << "0";
}

void DialogInputTest::scaleCouplingFollowsTheOpeningRatio()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    OpenScaleDialog open(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
    QCOMPARE(open.dialog.WidthField()->text(), QString::number(width));
    QCOMPARE(open.dialog.HeightField()->text(), QString::number(height));
    Type(open.dialog.WidthField(), typed);
    QCOMPARE(open.dialog.HeightField()->text(), expected);
    QCOMPARE(open.dialog.WidthField()->text(), typed);  // the write back did not loop
    // Typing never changes the ratio basis.
    QCOMPARE(open.dialog.m_nWidth, std::uint32_t(width));
    QCOMPARE(open.dialog.m_nHeight, std::uint32_t(height));
}

void DialogInputTest::scaleHeightDrivesWidth()
{
    OpenScaleDialog open(640, 480);
    Type(open.dialog.HeightField(), QStringLiteral("100"));
    QCOMPARE(open.dialog.WidthField()->text(), QStringLiteral("133"));
    QCOMPARE(open.dialog.HeightField()->text(), QStringLiteral("100"));
}

void DialogInputTest::scaleUncheckedFieldsAreIndependentUntilCheckedAgain()
{
    OpenScaleDialog open(640, 480);
    QCheckBox* keep = open.dialog.KeepAspectCheck();
    QVERIFY(keep->isChecked());
    QTest::mouseClick(keep, Qt::LeftButton);
    QVERIFY(!keep->isChecked());
    Type(open.dialog.WidthField(), QStringLiteral("320"));
    Type(open.dialog.HeightField(), QStringLiteral("999"));
    QCOMPARE(open.dialog.WidthField()->text(), QStringLiteral("320"));
    QCOMPARE(open.dialog.HeightField()->text(), QStringLiteral("999"));
    // Checking it again makes the height follow the current width.
    QTest::mouseClick(keep, Qt::LeftButton);
    QCOMPARE(open.dialog.HeightField()->text(), QStringLiteral("240"));
}

void DialogInputTest::scaleRefusesOutOfRangeAndKeepsTheDialogOpen()
{
    OpenScaleDialog open(640, 480);
    Type(open.dialog.WidthField(), QString());  // the height becomes 0
    QTest::mouseClick(OkButtonOf(&open.dialog), Qt::LeftButton);
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(QLatin1String("1")) && messages[0].contains(QLatin1String("10000")),
             qPrintable(messages[0]));
    QVERIFY(open.dialog.isVisible());
    QCOMPARE(open.dialog.result(), int(QDialog::Rejected));
    QCOMPARE(QApplication::focusWidget(), open.dialog.HeightField());
    QCOMPARE(open.dialog.m_nWidth, 640u);
    QCOMPARE(open.dialog.m_nHeight, 480u);

    // 10001 is one too many.
    messages.clear();
    Type(open.dialog.HeightField(), QStringLiteral("300"));
    Type(open.dialog.WidthField(), QStringLiteral("10001"));
    open.dialog.KeepAspectCheck()->setChecked(false);
    Type(open.dialog.HeightField(), QStringLiteral("300"));
    QTest::mouseClick(OkButtonOf(&open.dialog), Qt::LeftButton);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(QApplication::focusWidget(), open.dialog.WidthField());
    QVERIFY(open.dialog.isVisible());
    // A refused OK stores nothing, so the ratio basis stays the picture's size.
    QCOMPARE(open.dialog.m_nHeight, 480u);
}

void DialogInputTest::scaleChecksHeightBeforeWidth()
{
    OpenScaleDialog open(640, 480);
    open.dialog.KeepAspectCheck()->setChecked(false);
    Type(open.dialog.WidthField(), QStringLiteral("0"));
    Type(open.dialog.HeightField(), QStringLiteral("20000"));
    QTest::mouseClick(OkButtonOf(&open.dialog), Qt::LeftButton);
    QCOMPARE(messages.size(), 1);  // one message, for the height
    QCOMPARE(QApplication::focusWidget(), open.dialog.HeightField());
    QCOMPARE(open.dialog.HeightField()->selectedText(), QStringLiteral("20000"));
}

void DialogInputTest::scaleAcceptsAndStores()
{
    OpenScaleDialog open(200, 100);
    Type(open.dialog.WidthField(), QStringLiteral("10000"));
    QCOMPARE(open.dialog.HeightField()->text(), QStringLiteral("5000"));
    QTest::mouseClick(OkButtonOf(&open.dialog), Qt::LeftButton);
    QVERIFY(messages.isEmpty());
    QCOMPARE(open.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(open.dialog.m_nWidth, 10000u);
    QCOMPARE(open.dialog.m_nHeight, 5000u);
    QCOMPARE(open.dialog.m_bKeepAspect, 1);
}

void DialogInputTest::moveOptionsRange_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("0") << "0" << false;
    QTest::newRow("1001") << "1001" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("huge") << "99999999999" << false;
    QTest::newRow("1") << "1" << true;
    QTest::newRow("1000") << "1000" << true;
}

void DialogInputTest::moveOptionsRange()
{
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    CMoveOptionsDialog dialog;
    dialog.m_nRadius = 20;
    dialog.OnInitDialog();
    QCOMPARE(dialog.RadiusField()->text(), QStringLiteral("20"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    Type(dialog.RadiusField(), typed);
    QTest::mouseClick(OkButtonOf(&dialog), Qt::LeftButton);
    if (accepted) {
        QVERIFY(messages.isEmpty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.m_nRadius, typed.toUInt());
    } else {
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(QLatin1String(" 1 ")) && messages[0].contains(QLatin1String("1000")),
                 qPrintable(messages[0]));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.m_nRadius, 20u);
        QCOMPARE(QApplication::focusWidget(), dialog.RadiusField());
    }
}

void DialogInputTest::jpegSliderRunsUpsideDown()
{
    CJpegDialog dialog;
    QVERIFY(dialog.Slider()->orientation() == Qt::Vertical);
    QCOMPARE(dialog.Slider()->minimum(), 0);
    QCOMPARE(dialog.Slider()->maximum(), 100);

    dialog.m_quality = 30;
    dialog.OnInitDialog();
    QCOMPARE(dialog.Slider()->value(), 70);

    // Out-of-range presets become 100, which is the top end, position 0.
    dialog.m_quality = 140;
    dialog.OnInitDialog();
    QCOMPARE(dialog.Slider()->value(), 0);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // Position 0 is drawn at the top: a click near the top end moves the slider
    // towards 0 and a click near the bottom towards 100.
    dialog.Slider()->setValue(50);
    QTest::mouseClick(dialog.Slider(), Qt::LeftButton, {}, QPoint(dialog.Slider()->width() / 2, 2));
    QVERIFY2(dialog.Slider()->value() < 50, "the top end is high quality");

    dialog.Slider()->setValue(100);
    dialog.ProgressiveCheck()->setChecked(true);
    QTest::mouseClick(OkButtonOf(&dialog), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.m_quality, 0);
    QCOMPARE(dialog.m_progressive, 1);
}

void DialogInputTest::jpegCancelKeepsTheValues()
{
    CJpegDialog dialog;
    dialog.m_quality = 100;
    dialog.m_progressive = 0;
    dialog.OnInitDialog();
    dialog.show();
    dialog.Slider()->setValue(80);
    dialog.ProgressiveCheck()->setChecked(true);
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cancelButton")), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(dialog.m_quality, 100);
    QCOMPARE(dialog.m_progressive, 0);
}

QTEST_MAIN(DialogInputTest)
#include "DialogInputTest.moc"
