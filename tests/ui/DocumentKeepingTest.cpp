// SPDX-License-Identifier: GPL-3.0-or-later
// Keeping the work in the editor: Save As a Grimasso document keeps the window
// as that document and reopens with its Undo, "Verformung übertragen" is one
// gesture that Undo takes back, and the recovery copy follows the modified
// flag and never disturbs the work when it cannot be written.
#include <QFile>
#include <QFileInfo>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include "DocumentTestSupport.h"
#include "document/RecoveryKeeper.h"
#include "resources/StringIds.h"
#include "session/DocumentReader.h"
#include "session/RecoveryFolder.h"

using namespace doctest;
using testpictures::Pattern24;

namespace {

const QString kLoadFailed = QStringLiteral("Beim Laden der Datei ist ein Fehler aufgetreten");

CGrimassoDoc* Open(EditorHarness& editor, const QString& path)
{
    return static_cast<CGrimassoDoc*>(editor.Manager().OpenDocumentFile(path));
}

// A picture of width x height opened in the editor with one enlarge gesture.
CGrimassoDoc* OpenDeformed(EditorHarness& editor, const QTemporaryDir& folder, const QString& name, int width,
                           int height)
{
    const QString path = folder.filePath(name);
    WritePicture(path.toStdString(), width, height, Pattern24(width, height));
    CGrimassoDoc* document = Open(editor, path);
    if (!document)
        return nullptr;
    PictureSession* session = document->GetSession();
    session->BeginRegion(ModeEnlarge, width / 2, height / 2, width / 4.0);
    session->PreviewEnlarge(2.0);
    session->CommitRegion();
    document->SetModifiedFlag(true);
    return document;
}

}  // namespace

class DocumentKeepingTest : public QObject {
    Q_OBJECT

private slots:
    void saveAsDocumentKeepsTheWindowAndReopensWithUndo();
    void appliedDeformationIsOneGestureAndBrokenDocumentsAreReported();
    void recoveryCopyFollowsTheModifiedFlag();
    void unwritableRecoveryFolderIsReportedOnce();
    void recoveryTriesAgainAfterAFailureAndSaysSoInFull();
};

void DocumentKeepingTest::saveAsDocumentKeepsTheWindowAndReopensWithUndo()
{
    EditorHarness editor;
    QTemporaryDir folder;
    CGrimassoDoc* document = OpenDeformed(editor, folder, QStringLiteral("source.bmp"), 40, 30);
    QVERIFY(document);
    const std::vector<std::uint8_t> deformed = PictureRows(document);
    const QString target = folder.filePath(QStringLiteral("Arbeit.grimasso"));
    EditorHarness::AnswerFileDialogWith(target);
    document->OnFileSaveAs();
    QVERIFY(editor.messages.isEmpty());
    QVERIFY(IsDocumentFile(target.toStdString()));
    QCOMPARE(document->GetPathName(), QFileInfo(target).absoluteFilePath());
    QCOMPARE(document->GetTitle(), QStringLiteral("Arbeit.grimasso"));
    QVERIFY(!document->IsModified());
    QCOMPARE(editor.Manager().RecentFiles().value(0), QFileInfo(target).absoluteFilePath());

    document->OnCloseDocument();
    CGrimassoDoc* reopened = Open(editor, target);
    QVERIFY(reopened);
    QVERIFY(PictureRows(reopened) == deformed);
    QVERIFY(reopened->GetSession()->CanUndo());
    reopened->GetSession()->Undo();
    QVERIFY(PictureRows(reopened) == Pattern24(40, 30));
}

void DocumentKeepingTest::appliedDeformationIsOneGestureAndBrokenDocumentsAreReported()
{
    EditorHarness editor;
    QTemporaryDir folder;
    CGrimassoDoc* saved = OpenDeformed(editor, folder, QStringLiteral("small.bmp"), 20, 16);
    QVERIFY(saved);
    const QString documentPath = folder.filePath(QStringLiteral("small.grimasso"));
    saved->GetSession()->Save(documentPath.toStdString());

    const QString largePath = folder.filePath(QStringLiteral("large.bmp"));
    WritePicture(largePath.toStdString(), 60, 48, Pattern24(60, 48));
    CGrimassoDoc* target = Open(editor, largePath);
    QVERIFY(target);
    const std::vector<std::uint8_t> before = PictureRows(target);

    const QString broken = folder.filePath(QStringLiteral("kaputt.grimasso"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("PK\x03\x04 nothing else");
    file.close();
    EditorHarness::AnswerFileDialogWith(broken);
    QVERIFY(target->OnCmdMsg(ID_APPLY_DEFORMATION));
    QCOMPARE(editor.messages, QStringList{kLoadFailed});
    QVERIFY(!target->IsModified());
    QVERIFY(PictureRows(target) == before);

    EditorHarness::AnswerFileDialogWith(documentPath);
    QVERIFY(target->OnCmdMsg(ID_APPLY_DEFORMATION));
    QVERIFY(target->IsModified());
    QVERIFY(PictureRows(target) != before);
    QCOMPARE(target->GetWarpField()->LastMode(), std::int32_t{ModeApplyDeformation});
    target->GetSession()->Undo();
    QVERIFY(PictureRows(target) == before);
}

void DocumentKeepingTest::recoveryCopyFollowsTheModifiedFlag()
{
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    EditorHarness editor;
    QTemporaryDir folder;
    CGrimassoDoc* document = OpenDeformed(editor, folder, QStringLiteral("source.bmp"), 36, 28);
    QVERIFY(document);
    QVERIFY(WaitFor([document] { return !document->Recovery().CopyPath().isEmpty(); }));
    document->Recovery().WaitForWrite();
    const QString copy = document->Recovery().CopyPath();
    QVERIFY(copy.startsWith(state.path() + QStringLiteral("/grimasso/recovery/")));
    const DocumentContents contents = ReadDocument(copy.toStdString());
    QVERIFY(contents.description.canUndo);
    QVERIFY(std::equal(contents.map.begin(), contents.map.end(), document->GetWarpField()->Map()));
    // Our own copy is locked: another editor starting now leaves it alone.
    QVERIFY(FindLeftoverCopies(RecoveryFolderPath()).empty());

    // Saving removes it; the next change writes it again; closing removes it.
    document->OnSaveDocument(folder.filePath(QStringLiteral("saved.bmp")));
    QVERIFY(!QFileInfo::exists(copy));
    document->GetSession()->Smooth();
    document->SetModifiedFlag(true);
    // Not before two seconds have passed since the first copy.
    QTRY_VERIFY_WITH_TIMEOUT(!document->Recovery().CopyPath().isEmpty(), 4000);
    const QString second = document->Recovery().CopyPath();
    document->OnCloseDocument();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!QFileInfo::exists(second));
    // Only the lock may stay until the document object itself goes.
    const QStringList left = QDir(state.path() + QStringLiteral("/grimasso/recovery"))
                                 .entryList({QStringLiteral("*.grimasso*"), QStringLiteral("*.title*")}, QDir::Files);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char(' '))));
    qunsetenv("XDG_STATE_HOME");
}

void DocumentKeepingTest::unwritableRecoveryFolderIsReportedOnce()
{
    QTemporaryDir state;
    // A file where the folder should be: no folder can be made under it, whoever we are.
    QFile blocker(state.filePath(QStringLiteral("grimasso")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    EditorHarness editor;
    QTemporaryDir folder;
    const QString message = LoadQString(IDS_RECOVERY_UNAVAILABLE);
    CGrimassoDoc* first = OpenDeformed(editor, folder, QStringLiteral("a.bmp"), 16, 12);
    QVERIFY(first);
    QVERIFY(WaitFor([&] { return editor.Window().statusBar()->currentMessage() == message; }));
    QVERIFY(first->IsModified());
    QVERIFY(first->GetSession()->CanUndo());
    editor.Window().statusBar()->clearMessage();
    CGrimassoDoc* second = OpenDeformed(editor, folder, QStringLiteral("b.bmp"), 16, 12);
    QVERIFY(second);
    QTest::qWait(100);
    QVERIFY(editor.Window().statusBar()->currentMessage().isEmpty());
    QVERIFY(editor.messages.isEmpty());
    qunsetenv("XDG_STATE_HOME");
}

// A file where the recovery folder should be, so that no copy can be made.
void BlockRecoveryFolder(const QTemporaryDir& state)
{
    QFile blocker(state.filePath(QStringLiteral("grimasso")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
}

void DocumentKeepingTest::recoveryTriesAgainAfterAFailureAndSaysSoInFull()
{
    EditorHarness editor;
    QTemporaryDir folder;
    QStatusBar* bar = editor.Window().statusBar();
    const QString message = LoadQString(IDS_RECOVERY_UNAVAILABLE);

    // The first change finds no folder; once it can be made, the next change writes the copy.
    QTemporaryDir firstState;
    BlockRecoveryFolder(firstState);
    CGrimassoDoc* first = OpenDeformed(editor, folder, QStringLiteral("c.bmp"), 16, 12);
    QVERIFY(first);
    QTest::qWait(50);
    QVERIFY(first->Recovery().CopyPath().isEmpty());
    QVERIFY(QFile::remove(firstState.filePath(QStringLiteral("grimasso"))));
    first->SetModifiedFlag(true);
    QTRY_VERIFY_WITH_TIMEOUT(!first->Recovery().CopyPath().isEmpty(), 4000);
    first->Recovery().WaitForWrite();

    // After a copy was written, a new failure is reported again, the whole
    // message fitting beside the status bar's permanent panes.
    bar->clearMessage();
    QTemporaryDir secondState;
    BlockRecoveryFolder(secondState);
    CGrimassoDoc* second = OpenDeformed(editor, folder, QStringLiteral("d.bmp"), 16, 12);
    QVERIFY(second);
    QVERIFY(WaitFor([&] { return bar->currentMessage() == message; }));
    int room = bar->width();
    for (const QWidget* pane : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (pane->isVisible() && pane->x() > 0)
            room = std::min(room, pane->x());
    QVERIFY2(bar->fontMetrics().horizontalAdvance(message) < room, qPrintable(QString::number(room)));
    qunsetenv("XDG_STATE_HOME");
}

QTEST_MAIN(DocumentKeepingTest)
#include "DocumentKeepingTest.moc"
