// SPDX-License-Identifier: GPL-3.0-or-later
// The document manager and document base: open-or-activate, discarding failed
// documents, the recent-file list, window titles, and the questions before a
// modified document closes.
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "FrameworkTestDocument.h"
#include "framework/Application.h"
#include "framework/DocManager.h"
#include "framework/FileFilter.h"
#include "framework/MessageBox.h"
#include "resources/StringIds.h"

namespace {

struct AskedQuestion {
    QString text;
    MessageButtons buttons;
    MessageIcon icon;
};

}  // namespace

class FrameworkDocManagerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void openingTheSameFileTwiceActivatesTheFirstWindow();
    void failedOpenDiscardsDocumentAndWindow();
    void newDocumentsAreNumberedAndFailuresUseNoNumber();
    void recentFileListKeepsFourNewestFirstAndPersists();
    void recentEntryThatFailsToOpenLeavesTheList();
    void windowsOfOneDocumentAreNumbered();
    void closingTheLastWindowOfAModifiedDocumentAsks();
    void closingOneOfTwoWindowsDoesNotAsk();
    void yesWithAFailingSaveKeepsTheDocumentAndReports();
    void saveWithoutPathAsksForANameWithTheTemplateFilter();
    void saveAllModifiedStopsAtCancel();
    void filtersBecomeQtFilters();
    void routingDisablesCommandsNobodyHandles();

private:
    QString MakeFile(const QString& name);
    void Answer(MessageResult result) { m_answer = result; }
    static void ProcessDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QTemporaryDir m_dir;
    std::unique_ptr<QMdiArea> m_area;
    std::unique_ptr<CDocManager> m_manager;
    QList<AskedQuestion> m_questions;
    MessageResult m_answer = MessageResult::Cancel;
};

void FrameworkDocManagerTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
}

void FrameworkDocManagerTest::init()
{
    QSettings(LoadQString(IDS_REGISTRY_KEY), LoadQString(AFX_IDS_APP_TITLE)).clear();
    m_area = std::make_unique<QMdiArea>();
    m_area->resize(800, 600);
    m_area->show();
    m_manager = std::make_unique<CDocManager>();
    m_manager->SetDocTemplate(MakeTestTemplate());
    m_manager->SetMdiArea(m_area.get());
    SetTheDocManager(m_manager.get());
    m_questions.clear();
    m_answer = MessageResult::Cancel;
    SetMessageBoxHook([this](const QString& text, MessageButtons buttons, MessageIcon icon) {
        m_questions.append({text, buttons, icon});
        return m_answer;
    });
    CTestDocument::failNew = false;
}

void FrameworkDocManagerTest::cleanup()
{
    SetMessageBoxHook(nullptr);
    SetFileDialogHook(nullptr);
    m_area.reset();
    ProcessDeletes();
    m_manager.reset();
    SetTheDocManager(nullptr);
}

QString FrameworkDocManagerTest::MakeFile(const QString& name)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("x");
    return path;
}

void FrameworkDocManagerTest::openingTheSameFileTwiceActivatesTheFirstWindow()
{
    const QString first = MakeFile(QStringLiteral("first.bmp"));
    const QString second = MakeFile(QStringLiteral("second.bmp"));
    CDocument* a = m_manager->OpenDocumentFile(first);
    CDocument* b = m_manager->OpenDocumentFile(second);
    QVERIFY(a && b && a != b);
    QCOMPARE(m_area->currentSubWindow()->widget(), b->GetViews().constFirst());

    // Another spelling of the first path finds the open document.
    const QString sameFile = m_dir.path() + QStringLiteral("/./first.bmp");
    QCOMPARE(m_manager->OpenDocumentFile(sameFile), a);
    QCOMPARE(m_manager->Documents().size(), 2);
    QCOMPARE(m_area->subWindowList().size(), 2);
    QCOMPARE(m_area->currentSubWindow()->widget(), a->GetViews().constFirst());
    QCOMPARE(static_cast<CTestDocument*>(a)->openedPaths.size(), 1);
    QCOMPARE(a->GetTitle(), QStringLiteral("first.bmp"));
    QCOMPARE(m_area->currentSubWindow()->windowTitle(), QStringLiteral("first.bmp"));
}

void FrameworkDocManagerTest::failedOpenDiscardsDocumentAndWindow()
{
    QSignalSpy recentChanges(m_manager.get(), &CDocManager::recentFilesChanged);
    QVERIFY(!m_manager->OpenDocumentFile(MakeFile(QStringLiteral("broken.bad"))));
    ProcessDeletes();
    QVERIFY(m_manager->Documents().isEmpty());
    QVERIFY(m_area->subWindowList().isEmpty());
    QVERIFY(m_manager->RecentFiles().isEmpty());
    QCOMPARE(recentChanges.count(), 0);
}

void FrameworkDocManagerTest::newDocumentsAreNumberedAndFailuresUseNoNumber()
{
    CDocument* first = m_manager->OpenNewDocument();
    QVERIFY(first);
    QCOMPARE(first->GetTitle(), QStringLiteral("Grima1"));
    QVERIFY(first->GetPathName().isEmpty());

    CTestDocument::failNew = true;
    QVERIFY(!m_manager->OpenNewDocument());
    ProcessDeletes();
    QCOMPARE(m_manager->Documents().size(), 1);
    QCOMPARE(m_area->subWindowList().size(), 1);

    CTestDocument::failNew = false;
    CDocument* second = m_manager->OpenNewDocument();
    QVERIFY(second);
    QCOMPARE(second->GetTitle(), QStringLiteral("Grima2"));
    // A pasted picture is not a file: nothing joins the recent files.
    QVERIFY(m_manager->RecentFiles().isEmpty());
}

void FrameworkDocManagerTest::recentFileListKeepsFourNewestFirstAndPersists()
{
    QStringList paths;
    for (int i = 1; i <= 5; ++i)
        paths.append(MakeFile(QStringLiteral("picture%1.bmp").arg(i)));
    for (const QString& path : paths)
        QVERIFY(m_manager->OpenDocumentFile(path));
    QCOMPARE(m_manager->RecentFiles(), (QStringList{paths[4], paths[3], paths[2], paths[1]}));

    // Opening an open file again moves it to the front without doubling it.
    m_manager->AddToRecentFileList(paths[2]);
    QCOMPARE(m_manager->RecentFiles(), (QStringList{paths[2], paths[4], paths[3], paths[1]}));

    // A fresh manager (the next program start) reads the same list.
    const CDocManager restarted;
    QCOMPARE(restarted.RecentFiles(), m_manager->RecentFiles());
    QSettings settings(QStringLiteral("Haxel"), QStringLiteral("Grimasso"));
    QCOMPARE(settings.value(QStringLiteral("Recent File List/File1")).toString(), paths[2]);
    QVERIFY(!settings.contains(QStringLiteral("Recent File List/File5")));
}

void FrameworkDocManagerTest::recentEntryThatFailsToOpenLeavesTheList()
{
    const QString good = MakeFile(QStringLiteral("good.bmp"));
    const QString bad = MakeFile(QStringLiteral("gone.bad"));
    m_manager->AddToRecentFileList(good);
    m_manager->AddToRecentFileList(bad);
    QCOMPARE(m_manager->RecentFiles().size(), 2);

    QVERIFY(!m_manager->OpenRecentFile(0));
    QCOMPARE(m_manager->RecentFiles(), QStringList{good});
    QVERIFY(m_manager->OpenRecentFile(0));
    QVERIFY(!m_manager->OpenRecentFile(3));
}

void FrameworkDocManagerTest::windowsOfOneDocumentAreNumbered()
{
    CDocument* document = m_manager->OpenDocumentFile(MakeFile(QStringLiteral("face.bmp")));
    QVERIFY(document);
    CView* second = m_manager->CreateNewWindow(document);
    QVERIFY(second);
    QCOMPARE(document->GetViews().size(), 2);
    QCOMPARE(document->GetViews()[0]->GetParentFrame()->windowTitle(), QStringLiteral("face.bmp:1"));
    QCOMPARE(second->GetParentFrame()->windowTitle(), QStringLiteral("face.bmp:2"));

    document->SetTitle(QStringLiteral("Grinsen.bmp"));
    QCOMPARE(second->GetParentFrame()->windowTitle(), QStringLiteral("Grinsen.bmp:2"));

    QVERIFY(second->GetParentFrame()->close());
    ProcessDeletes();
    QCOMPARE(document->GetViews().size(), 1);
    QCOMPARE(document->GetViews()[0]->GetParentFrame()->windowTitle(), QStringLiteral("Grinsen.bmp"));
}

void FrameworkDocManagerTest::closingTheLastWindowOfAModifiedDocumentAsks()
{
    auto* document = static_cast<CTestDocument*>(m_manager->OpenDocumentFile(MakeFile(QStringLiteral("mod.bmp"))));
    QVERIFY(document);
    QWidget* frame = document->GetViews().constFirst()->GetParentFrame();
    document->SetModifiedFlag();

    Answer(MessageResult::Cancel);
    QVERIFY(!frame->close());
    QCOMPARE(m_questions.size(), 1);
    QCOMPARE(m_questions[0].text, QStringLiteral("Änderungen in mod.bmp speichern?"));
    QCOMPARE(m_questions[0].buttons, MessageButtons::YesNoCancel);
    QCOMPARE(m_questions[0].icon, MessageIcon::Question);
    QCOMPARE(m_manager->Documents().size(), 1);

    Answer(MessageResult::Yes);
    QVERIFY(frame->close());
    QCOMPARE(document->savedPaths, QStringList{m_dir.filePath(QStringLiteral("mod.bmp"))});
    ProcessDeletes();
    QVERIFY(m_manager->Documents().isEmpty());

    // "No" closes without saving.
    auto* other = static_cast<CTestDocument*>(m_manager->OpenDocumentFile(MakeFile(QStringLiteral("other.bmp"))));
    other->SetModifiedFlag();
    Answer(MessageResult::No);
    QVERIFY(other->GetViews().constFirst()->GetParentFrame()->close());
    QVERIFY(other->savedPaths.isEmpty());
}

void FrameworkDocManagerTest::closingOneOfTwoWindowsDoesNotAsk()
{
    CDocument* document = m_manager->OpenDocumentFile(MakeFile(QStringLiteral("two.bmp")));
    CView* second = m_manager->CreateNewWindow(document);
    document->SetModifiedFlag();
    QVERIFY(second->GetParentFrame()->close());
    QVERIFY(m_questions.isEmpty());

    // The file menu's Close asks once and then closes every window.
    ProcessDeletes();
    m_manager->CreateNewWindow(document);
    Answer(MessageResult::No);
    QVERIFY(document->OnCmdMsg(ID_FILE_CLOSE));
    QCOMPARE(m_questions.size(), 1);
    ProcessDeletes();
    QVERIFY(m_manager->Documents().isEmpty());
    QVERIFY(m_area->subWindowList().isEmpty());
}

void FrameworkDocManagerTest::yesWithAFailingSaveKeepsTheDocumentAndReports()
{
    auto* document = static_cast<CTestDocument*>(m_manager->OpenDocumentFile(MakeFile(QStringLiteral("ro.bmp"))));
    document->SetModifiedFlag();
    document->failSave = true;
    Answer(MessageResult::Yes);
    QVERIFY(!document->GetViews().constFirst()->GetParentFrame()->close());
    QCOMPARE(m_questions.size(), 2);
    QCOMPARE(m_questions[1].text, QStringLiteral("Beim Speichern der Datei ist ein Fehler aufgetreten"));
    QCOMPARE(m_questions[1].buttons, MessageButtons::Ok);
    QVERIFY(document->IsModified());
    QCOMPARE(m_manager->Documents().size(), 1);
}

void FrameworkDocManagerTest::saveWithoutPathAsksForANameWithTheTemplateFilter()
{
    auto* document = static_cast<CTestDocument*>(m_manager->OpenNewDocument());
    document->SetModifiedFlag();
    QStringList asked;
    QString answer;
    SetFileDialogHook([&](bool save, const QString& filter, const QString& suffix, const QString& initialName) {
        asked << (save ? QStringLiteral("save") : QStringLiteral("open")) << filter << suffix << initialName;
        return answer;
    });

    // Cancelled: nothing saved, nothing changed.
    QVERIFY(document->OnCmdMsg(ID_FILE_SAVE));
    QCOMPARE(asked, (QStringList{QStringLiteral("save"), QStringLiteral("Windows Bitmap-Grafik (*.bmp)|*.bmp||"),
                                 QStringLiteral("bmp"), QStringLiteral("Grima1")}));
    QVERIFY(document->savedPaths.isEmpty());
    QVERIFY(document->GetPathName().isEmpty());
    QVERIFY(document->IsModified());

    answer = m_dir.filePath(QStringLiteral("saved.bmp"));
    QVERIFY(document->DoFileSave());
    QCOMPARE(document->savedPaths, QStringList{answer});
    QCOMPARE(document->GetPathName(), answer);
    QCOMPARE(document->GetTitle(), QStringLiteral("saved.bmp"));
    QVERIFY(!document->IsModified());
    QCOMPARE(m_manager->RecentFiles(), QStringList{answer});
}

void FrameworkDocManagerTest::saveAllModifiedStopsAtCancel()
{
    CDocument* first = m_manager->OpenDocumentFile(MakeFile(QStringLiteral("a.bmp")));
    CDocument* clean = m_manager->OpenDocumentFile(MakeFile(QStringLiteral("b.bmp")));
    CDocument* third = m_manager->OpenDocumentFile(MakeFile(QStringLiteral("c.bmp")));
    QVERIFY(first && clean && third);
    first->SetModifiedFlag();
    third->SetModifiedFlag();

    Answer(MessageResult::No);
    QVERIFY(m_manager->SaveAllModified());
    QCOMPARE(m_questions.size(), 2);  // the unmodified document is not asked about

    m_questions.clear();
    Answer(MessageResult::Cancel);
    QVERIFY(!m_manager->SaveAllModified());
    QCOMPARE(m_questions.size(), 1);
}

void FrameworkDocManagerTest::filtersBecomeQtFilters()
{
    QCOMPARE(ConvertFileFilter(LoadQString(IDS_OPEN_FILTER)),
             (QStringList{QStringLiteral("Alle bekannten Grafikformate (*.bmp *.jpg *.jpeg *.jpe *.tif *.tiff *.png "
                                                         "*.heic *.heif *.avif *.webp *.grimasso)"),
                          QStringLiteral("Windows-Bitmap-Grafik (*.bmp)"),
                          QStringLiteral("JPEG-Grafik (*.jpg *.jpeg *.jpe)"), QStringLiteral("TIFF (*.tif *.tiff)"),
                          QStringLiteral("Portable Network Graphic (*.png)"),
                          QStringLiteral("HEIC/HEIF-Foto (*.heic *.heif)"), QStringLiteral("AVIF-Bild (*.avif)"),
                          QStringLiteral("WebP-Bild (*.webp)"),
                          QStringLiteral("Grimasso-Dokument (*.grimasso)")}));
    QCOMPARE(ConvertFileFilter(QStringLiteral("Video|*.avi||")), QStringList{QStringLiteral("Video (*.avi)")});
    QVERIFY(ConvertFileFilter(QString()).isEmpty());
}

void FrameworkDocManagerTest::routingDisablesCommandsNobodyHandles()
{
    CDocument* document = m_manager->OpenDocumentFile(MakeFile(QStringLiteral("route.bmp")));
    auto* view = static_cast<CTestView*>(document->GetViews().constFirst());
    CCmdTarget* const chain[] = {view, nullptr, document};

    CCmdUI undo(ID_EDIT_UNDO);
    RouteUpdate(chain, undo);
    QVERIFY(undo.m_bHandled && undo.m_bEnabled && !undo.m_bCheckSet);

    CCmdUI save(ID_FILE_SAVE);  // the view passes, the document answers
    RouteUpdate(chain, save);
    QVERIFY(save.m_bHandled && save.m_bEnabled);

    CCmdUI cut(ID_EDIT_CUT);
    RouteUpdate(chain, cut);
    QVERIFY(!cut.m_bHandled);
    QVERIFY(!cut.m_bEnabled);
    QVERIFY(!RouteCommand(chain, ID_EDIT_CUT));
    QVERIFY(RouteCommand(chain, ID_EDIT_UNDO));
    QCOMPARE(view->received, (QList<int>{ID_EDIT_CUT, ID_EDIT_UNDO}));
}

QTEST_MAIN(FrameworkDocManagerTest)
#include "FrameworkDocManagerTest.moc"
