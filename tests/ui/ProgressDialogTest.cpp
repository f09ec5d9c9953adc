// SPDX-License-Identifier: GPL-3.0-or-later
// The progress window of the video export: percent text, cancel requests from
// the button, Escape and the close box (not Enter), event handling while the
// export runs, and the owner disabled exactly while the window is open.
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>

#include "framework/Application.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"
#include "view/ProgressDialog.h"

// The header still spells the default caption as a number; it must be the named one.
static_assert(ProgressDialog::kDefaultCaptionId == IDS_PROGRESS_CAPTION);

class ProgressDialogTest : public QObject {
    Q_OBJECT

private slots:
    void percentTextFollowsTheRange_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("upper");
        QTest::addColumn<QString>("text");
        QTest::newRow("start") << 0 << 0 << 100 << "0%";
        QTest::newRow("middle") << 42 << 0 << 100 << "42%";
        QTest::newRow("end") << 100 << 0 << 100 << "100%";
        QTest::newRow("past the end wraps") << 75 << 0 << 50 << "50%";
        QTest::newRow("offset range truncates") << 15 << 10 << 13 << "66%";
        QTest::newRow("empty range reached") << 5 << 5 << 5 << "100%";
        QTest::newRow("empty range not reached") << 4 << 5 << 5 << "0%";
    }
    void percentTextFollowsTheRange()
    {
        QFETCH(int, position);
        QFETCH(int, lower);
        QFETCH(int, upper);
        QFETCH(QString, text);
        QCOMPARE(ProgressDialog::PercentText(position, lower, upper), text);

        ProgressDialog dialog;
        dialog.SetRange(lower, upper);
        dialog.Create();
        dialog.SetPosition(position);
        QCOMPARE(dialog.ShownPercentText(), text);
        QVERIFY(dialog.BarValue() >= qMin(lower, upper) && dialog.BarValue() <= qMax(lower, upper));
    }

    void opensWithItsCaptionAndTheBarAtTheStart()
    {
        ProgressDialog dialog;
        QCOMPARE(dialog.ShownPercentText(), QStringLiteral(" 0 %"));
        dialog.Show();
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Fortschritt"));
        QCOMPARE(dialog.BarValue(), 0);
        dialog.SetPosition(0);
        QCOMPARE(dialog.ShownPercentText(), QStringLiteral("0%"));

        ProgressDialog other(61459);
        other.Show();
        QCOMPARE(other.windowTitle(), LoadQString(61459));
    }

    void cancelIsRequestedByButtonEscapeAndCloseBoxButNotEnter()
    {
        ProgressDialog dialog;
        dialog.Show();
        QVERIFY(!dialog.TakeCancelRequest());

        QTest::keyClick(&dialog, Qt::Key_Return);
        QTest::keyClick(&dialog, Qt::Key_Enter);
        auto* button = dialog.findChild<QPushButton*>();
        QVERIFY(button);
        QCOMPARE(button->text(), QStringLiteral("Abbruch"));
        QTest::keyClick(button, Qt::Key_Return);  // even with the focus on "Abbruch"
        QVERIFY(!dialog.TakeCancelRequest());
        QVERIFY(dialog.isVisible());

        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.TakeCancelRequest());
        QVERIFY(!dialog.TakeCancelRequest());  // taken: the flag is reset

        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(dialog.TakeCancelRequest());

        QVERIFY(!dialog.close());
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.TakeCancelRequest());
    }

    void waitingEventsAreHandledBeforeAnswering()
    {
        ProgressDialog dialog;
        dialog.Show();
        // An Escape still in the queue is seen by the next cancel query...
        QCoreApplication::postEvent(&dialog, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        QVERIFY(dialog.TakeCancelRequest());
        // ... and one waiting during a position update by the query after it.
        QCoreApplication::postEvent(&dialog, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        dialog.SetPosition(10);
        QCOMPARE(dialog.ShownPercentText(), QStringLiteral("10%"));
        QVERIFY(dialog.TakeCancelRequest());
    }

    void theMainWindowIsDisabledExactlyWhileTheWindowIsOpen()
    {
        QMainWindow mainWindow;
        SetTheMainWindow(&mainWindow);
        mainWindow.show();
        {
            ProgressDialog dialog;
            QVERIFY(mainWindow.isEnabled());
            dialog.Show();
            QVERIFY(!mainWindow.isEnabled());
            QVERIFY(dialog.isEnabled());  // the window itself stays usable
            dialog.SetPosition(50);
            QVERIFY(!mainWindow.isEnabled());
        }
        QVERIFY(mainWindow.isEnabled());

        {
            ProgressDialog dialog;
            dialog.Show();
            dialog.DestroyWindow();
            QVERIFY(mainWindow.isEnabled());
            QVERIFY(!dialog.isVisible());
        }

        // A window that was disabled before stays disabled afterwards.
        mainWindow.setEnabled(false);
        {
            ProgressDialog dialog;
            dialog.Show();
        }
        QVERIFY(!mainWindow.isEnabled());
        mainWindow.setEnabled(true);
        SetTheMainWindow(nullptr);
    }

    void aGivenParentsWindowIsTheOwner()
    {
        QWidget window;
        auto* child = new QWidget(&window);
        window.show();
        ProgressDialog dialog;
        dialog.Create(child);
        QVERIFY(!window.isEnabled());
        dialog.RestoreOwner();
        QVERIFY(window.isEnabled());
        dialog.DestroyWindow();  // the owner was given back already: it stays enabled
        QVERIFY(window.isEnabled());
    }
};

QTEST_MAIN(ProgressDialogTest)
#include "ProgressDialogTest.moc"
