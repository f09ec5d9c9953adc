// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a picture on its own thread: a load held at a reader's checkpoint
// brings up the progress window, whose "Abbrechen" ends the open without a
// document, a window or a message; a load left alone opens the picture.
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <thread>

#include "DocumentTestSupport.h"
#include "image/LoadControl.h"
#include "resources/StringIds.h"

using namespace doctest;
using testpictures::Pattern24;

class PictureLoadTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        QVERIFY(m_folder.isValid());
        m_path = m_folder.filePath(QStringLiteral("photo.png")).toStdString();
        WritePicture(m_path, kWidth, kHeight, Pattern24(kWidth, kHeight));
    }
    void cleanup() { SetLoadCheckpointHook({}); }
    void cancelledOpenLeavesNothing();
    void uninterruptedOpenOpens();

private:
    static constexpr int kWidth = 300, kHeight = 200;
    QTemporaryDir m_folder;
    std::string m_path;
};

void PictureLoadTest::cancelledOpenLeavesNothing()
{
    EditorHarness editor;
    // The reader waits at its first checkpoint until the load is cancelled (or
    // gives up after a while, so that a missing window fails instead of hanging).
    SetLoadCheckpointHook([](LoadControl& control) {
        for (int i = 0; i < 2000 && !control.CancelRequested(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    QString shownText, shownTitle;
    OnNextModalDialog([&](QDialog* dialog) {
        auto* progress = qobject_cast<QProgressDialog*>(dialog);
        QVERIFY(progress);
        shownText = progress->labelText();
        shownTitle = progress->windowTitle();
        const auto buttons = progress->findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(buttons.front()->text(), LoadQString(IDS_OPEN_PROGRESS_CANCEL));
        buttons.front()->click();
    });
    CDocument* document = editor.Manager().OpenDocumentFile(QtPath(m_path));

    QCOMPARE(shownText, LoadQString(IDS_OPEN_PROGRESS_TEXT));
    QCOMPARE(shownTitle, LoadQString(IDS_OPEN_PROGRESS_TITLE));
    QCOMPARE(document, nullptr);
    QVERIFY(editor.Manager().Documents().isEmpty());
    QVERIFY(editor.Area()->subWindowList().isEmpty());
    QVERIFY2(editor.messages.isEmpty(), qPrintable(editor.messages.join(QLatin1Char('\n'))));
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void PictureLoadTest::uninterruptedOpenOpens()
{
    EditorHarness editor;
    int checkpoints = 0;
    SetLoadCheckpointHook([&checkpoints](LoadControl&) { ++checkpoints; });
    auto* document = static_cast<CGrimassoDoc*>(editor.Manager().OpenDocumentFile(QtPath(m_path)));

    QVERIFY(document);
    QVERIFY(editor.messages.isEmpty());
    QCOMPARE(document->GetWarpField()->Width(), kWidth);
    QCOMPARE(PictureRows(document), Pattern24(kWidth, kHeight));
    // The load ran under a control: the reader passed its checkpoints.
    QVERIFY(checkpoints > 0);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(editor.Area()->subWindowList().size(), 1);
}

QTEST_MAIN(PictureLoadTest)
#include "PictureLoadTest.moc"
