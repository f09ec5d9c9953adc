// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's commands: the accelerators (Ctrl+Z and Ctrl+V included),
// opening pictures through the open dialog and the recent files, dropping
// files, pasting a new picture, and exit with unsaved pictures.
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include "FrameworkTestDocument.h"
#include "MainFrameTestSupport.h"
#include "document/GrimassoDoc.h"
#include "framework/Application.h"
#include "view/GrimassoView.h"

class MainFrameCommandTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void ctrlZReachesTheActiveView();
    void ctrlVMakesANewPictureOnlyWithAPictureOnTheClipboard();
    void ctrlXDoesNothing();
    void ctrlOAsksWithThePictureFilterAndOpensOrActivates();
    void cancellingTheOpenDialogChangesNothing();
    void recentFileEntriesOpenTheirFiles();
    void droppedFilesOpenLikeChosenOnes();
    void exitAsksForUnsavedPicturesAndCancelKeepsRunning();
    void newWindowNumbersTheTitles();
    void realPicturesOpenAndPasteThroughTheShell();

private:
    void Start(bool realDocuments = false);
    QString MakeFile(const QString& name);
    QList<CTestDocument*> TestDocuments() const;

    QTemporaryDir m_dir;
    std::unique_ptr<CGrimassoApp> m_app;
    CMainFrame* m_frame = nullptr;
    QStringList m_dialogCalls;
    QString m_dialogAnswer;
};

void MainFrameCommandTest::initTestCase()
{
    UseFreshSettings();
    QVERIFY(m_dir.isValid());
}

void MainFrameCommandTest::Start(bool realDocuments)
{
    QSettings(QStringLiteral("Haxel"), QStringLiteral("Grimasso")).clear();
    QGuiApplication::clipboard()->clear();
    m_dialogCalls.clear();
    m_dialogAnswer.clear();
    SetFileDialogHook([this](bool save, const QString& filter, const QString& suffix, const QString& name) {
        m_dialogCalls << QString::number(save) << filter << suffix << name;
        return m_dialogAnswer;
    });
    m_app = StartShell(realDocuments ? nullptr : MakeTestTemplate());
    QVERIFY(m_app);
    m_frame = m_app->MainFrame();
}

void MainFrameCommandTest::cleanup()
{
    StopShell(m_app);
    SetFileDialogHook(nullptr);
    m_frame = nullptr;
}

QString MainFrameCommandTest::MakeFile(const QString& name)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    return path;
}

QList<CTestDocument*> MainFrameCommandTest::TestDocuments() const
{
    QList<CTestDocument*> documents;
    for (CDocument* document : TheDocManager().Documents())
        documents.append(static_cast<CTestDocument*>(document));
    return documents;
}

void MainFrameCommandTest::ctrlZReachesTheActiveView()
{
    Start();
    QTest::keyClick(m_frame, Qt::Key_Z, Qt::ControlModifier);  // no picture: nothing to undo, nothing breaks
    CDocument* document = TheDocManager().OpenDocumentFile(MakeFile(QStringLiteral("undo.bmp")));
    QVERIFY(document);
    auto* view = static_cast<CTestView*>(document->GetViews().constFirst());
    QTest::keyClick(m_frame, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(view->received, QList<int>{ID_EDIT_UNDO});
}

void MainFrameCommandTest::ctrlVMakesANewPictureOnlyWithAPictureOnTheClipboard()
{
    Start();
    QTest::keyClick(m_frame, Qt::Key_V, Qt::ControlModifier);
    QVERIFY(TheDocManager().Documents().isEmpty());

    QImage picture(5, 4, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QGuiApplication::clipboard()->setImage(picture);
    QTest::keyClick(m_frame, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(TestDocuments().size(), 1);
    QCOMPARE(TestDocuments()[0]->newCalls, 1);
    QCOMPARE(TestDocuments()[0]->GetTitle(), QStringLiteral("Grima1"));
    QTRY_VERIFY(m_frame->ShowsDocumentMenu());
    // The command posted by the scale command arrives through the same path.
    PostCommand(ID_EDIT_PASTE);
    QTRY_COMPARE(TestDocuments().size(), 2);
    QCOMPARE(TestDocuments()[1]->GetTitle(), QStringLiteral("Grima2"));
}

void MainFrameCommandTest::ctrlXDoesNothing()
{
    Start();
    CDocument* document = TheDocManager().OpenDocumentFile(MakeFile(QStringLiteral("cut.bmp")));
    auto* view = static_cast<CTestView*>(document->GetViews().constFirst());
    QTest::keyClick(m_frame, Qt::Key_X, Qt::ControlModifier);
    QVERIFY(view->received.isEmpty());
    QCOMPARE(TheDocManager().Documents().size(), 1);
}

void MainFrameCommandTest::ctrlOAsksWithThePictureFilterAndOpensOrActivates()
{
    Start();
    const QString first = MakeFile(QStringLiteral("eins.bmp"));
    const QString second = MakeFile(QStringLiteral("zwei.jpg"));
    m_dialogAnswer = first;
    QTest::keyClick(m_frame, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(m_dialogCalls,
             (QStringList{"0",
                          "Alle bekannten Grafikformate|*.bmp;*.jpg;*.jpeg;*.jpe;*.tif;*.tiff;*.png;*.heic;*.heif;*.avif;*.webp;*.grimasso|"
                          "Windows-Bitmap-Grafik (*.bmp)|*.bmp|JPEG-Grafik (*.jpg *.jpeg *.jpe)|*.jpg;*.jpeg;*.jpe|"
                          "TIFF (*.tif *.tiff)|*.tif;*.tiff|Portable Network Graphic (*.png)|*.png|"
                          "HEIC/HEIF-Foto (*.heic *.heif)|*.heic;*.heif|AVIF-Bild (*.avif)|*.avif|WebP-Bild (*.webp)|*.webp|"
                          "Grimasso-Dokument (*.grimasso)|*.grimasso||",
                          "bmp", ""}));
    QCOMPARE(TestDocuments().size(), 1);
    QCOMPARE(TestDocuments()[0]->openedPaths, QStringList{first});

    m_dialogAnswer = second;
    QVERIFY(m_frame->ExecuteCommand(ID_FILE_OPEN));
    QCOMPARE(TestDocuments().size(), 2);
    QCOMPARE(m_frame->GetActiveView()->GetDocument()->GetPathName(), second);

    // Choosing the first file again brings its window forward instead of a copy.
    m_dialogAnswer = first;
    QVERIFY(m_frame->ExecuteCommand(ID_FILE_OPEN));
    QCOMPARE(TestDocuments().size(), 2);
    QCOMPARE(m_frame->MdiArea()->subWindowList().size(), 2);
    QCOMPARE(m_frame->GetActiveView()->GetDocument()->GetPathName(), first);
    QCOMPARE(TestDocuments()[0]->openedPaths.size(), 1);
}

void MainFrameCommandTest::cancellingTheOpenDialogChangesNothing()
{
    Start();
    m_dialogAnswer.clear();
    QVERIFY(m_frame->ExecuteCommand(ID_FILE_OPEN));
    QCOMPARE(m_dialogCalls.size(), 4);
    QVERIFY(TheDocManager().Documents().isEmpty());
    QVERIFY(TheDocManager().RecentFiles().isEmpty());
}

void MainFrameCommandTest::recentFileEntriesOpenTheirFiles()
{
    Start();
    const QString older = MakeFile(QStringLiteral("alt.bmp"));
    const QString newer = MakeFile(QStringLiteral("neu.bmp"));
    TheDocManager().AddToRecentFileList(older);
    TheDocManager().AddToRecentFileList(newer);

    QMenu* fileMenu = TopMenu(m_frame, "&Datei");
    QCOMPARE(MenuItems(fileMenu).mid(5, 3), (QStringList{"&1 " + newer, "&2 " + older, "-"}));
    QAction* second = MenuAction(fileMenu, "&2 " + older);
    QVERIFY(second);
    m_frame->UpdateCommandStates();
    second->trigger();
    QCOMPARE(TestDocuments().size(), 1);
    QCOMPARE(TestDocuments()[0]->GetPathName(), older);
    // The opened file moved to the front of the list.
    QCOMPARE(TheDocManager().RecentFiles(), (QStringList{older, newer}));
}

void MainFrameCommandTest::droppedFilesOpenLikeChosenOnes()
{
    Start();
    const QString first = MakeFile(QStringLiteral("gezogen1.png"));
    const QString second = MakeFile(QStringLiteral("gezogen2.tif"));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second), QUrl(QStringLiteral("https://x/y.bmp"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_frame, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_frame, &drop);
    QTRY_COMPARE(TestDocuments().size(), 2);
    QCOMPARE(TestDocuments()[0]->GetPathName(), first);
    QCOMPARE(TestDocuments()[1]->GetPathName(), second);
}

void MainFrameCommandTest::exitAsksForUnsavedPicturesAndCancelKeepsRunning()
{
    Start();
    CDocument* document = TheDocManager().OpenDocumentFile(MakeFile(QStringLiteral("ungesichert.bmp")));
    document->SetModifiedFlag();
    QStringList questions;
    MessageResult answer = MessageResult::Cancel;
    SetMessageBoxHook([&](const QString& text, MessageButtons, MessageIcon) {
        questions.append(text);
        return answer;
    });
    QVERIFY(m_frame->ExecuteCommand(ID_APP_EXIT));
    QCOMPARE(questions, QStringList{QStringLiteral("Änderungen in ungesichert.bmp speichern?")});
    QVERIFY(m_frame->isVisible());
    QCOMPARE(TheDocManager().Documents().size(), 1);

    answer = MessageResult::No;
    QVERIFY(m_frame->ExecuteCommand(ID_APP_EXIT));
    QVERIFY(!m_frame->isVisible());
    QVERIFY(static_cast<CTestDocument*>(document)->savedPaths.isEmpty());
    SetMessageBoxHook(nullptr);
}

void MainFrameCommandTest::newWindowNumbersTheTitles()
{
    Start();
    QVERIFY(TheDocManager().OpenDocumentFile(MakeFile(QStringLiteral("gesicht.bmp"))));
    QVERIFY(m_frame->ExecuteCommand(ID_WINDOW_NEW));
    QCOMPARE(m_frame->MdiArea()->subWindowList().size(), 2);
    QCOMPARE(m_frame->GetActiveFrame()->windowTitle(), QStringLiteral("gesicht.bmp:2"));
    QTRY_COMPARE(m_frame->windowTitle(), QStringLiteral("Grimasso - gesicht.bmp:2"));
    QTest::keyClick(m_frame, Qt::Key_F6);
    QCOMPARE(m_frame->GetActiveFrame()->windowTitle(), QStringLiteral("gesicht.bmp:1"));
}

void MainFrameCommandTest::realPicturesOpenAndPasteThroughTheShell()
{
    const QString sample = QStringLiteral(GRIMASSO_SOURCE_DIR "/resources/astronaut.bmp");
    if (!QFile::exists(sample))
        QSKIP("the sample picture is missing");
    Start(true);
    m_dialogAnswer = sample;
    QTest::keyClick(m_frame, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(TheDocManager().Documents().size(), 1);
    auto* document = qobject_cast<CGrimassoDoc*>(TheDocManager().Documents()[0]);
    QVERIFY(document && document->GetWarpField());
    QVERIFY(qobject_cast<CGrimassoView*>(m_frame->GetActiveView()));
    QVERIFY(qobject_cast<CChildFrame*>(m_frame->GetActiveFrame()));
    QCOMPARE(m_frame->GetActiveFrame()->windowTitle(), QStringLiteral("astronaut.bmp"));

    // Exactly one zoom step is checked, the one without zoom.
    m_frame->UpdateCommandStates();
    int checked = 0;
    for (int id : {ID_ZOOM_1_4, ID_ZOOM_1_2, ID_ZOOM_3_4, ID_ZOOM_NONE, ID_ZOOM_2, ID_ZOOM_3, ID_ZOOM_4})
        checked += m_frame->QueryCommandState(id).m_bChecked ? 1 : 0;
    QCOMPARE(checked, 1);
    QVERIFY(m_frame->QueryCommandState(ID_ZOOM_NONE).m_bChecked);
    // The status bar names the zoom; Ctrl+Minus and Ctrl+0 change it.
    QCOMPARE(m_frame->ZoomPane()->text(), QStringLiteral("100 %"));
    QTest::keyClick(m_frame, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(m_frame->ZoomPane()->text(), QStringLiteral("67 %"));
    QTest::keyClick(m_frame, Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(m_frame->ZoomPane()->text(), QStringLiteral("100 %"));

    QImage picture(7, 3, QImage::Format_RGB32);
    picture.fill(Qt::green);
    QGuiApplication::clipboard()->setImage(picture);
    QTest::keyClick(m_frame, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(TheDocManager().Documents().size(), 2);
    auto* pasted = qobject_cast<CGrimassoDoc*>(TheDocManager().Documents()[1]);
    QVERIFY(pasted);
    QCOMPARE(pasted->GetPictureSize(), QSize(7, 3));
    QCOMPARE(pasted->GetTitle(), QStringLiteral("Grima1"));
}

QTEST_MAIN(MainFrameCommandTest)
#include "MainFrameCommandTest.moc"
