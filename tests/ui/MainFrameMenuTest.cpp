// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's menus, toolbar, status bar and the states of their items.
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QToolBar>

#include "FrameworkTestDocument.h"
#include "MainFrameTestSupport.h"
#include "app/LockKeyState.h"
#include "framework/Application.h"

class MainFrameMenuTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void withoutDocumentWindowTheShortMenuShows();
    void withADocumentWindowTheFullMenuShows();
    void menuSetFollowsTheDocumentWindows();
    void toolbarHasTheButtonsInOrder();
    void statusBarShowsIdleTextAndLockPanes();
    void cutIsAlwaysDisabled();
    void pasteIsEnabledOnlyWithAPictureOnTheClipboard();
    void documentCommandsNeedADocumentWindow();
    void viewsAnswerChecksAndToggleBarsAreChecked();
    void lockPanesFollowTheLockKeys();

private:
    CDocument* OpenTestDocument(const QString& name);

    QTemporaryDir m_dir;
    std::unique_ptr<CGrimassoApp> m_app;
    CMainFrame* m_frame = nullptr;
};

void MainFrameMenuTest::initTestCase()
{
    UseFreshSettings();
    QVERIFY(m_dir.isValid());
}

void MainFrameMenuTest::init()
{
    QGuiApplication::clipboard()->clear();
    m_app = StartShell(MakeTestTemplate());
    QVERIFY(m_app);
    m_frame = m_app->MainFrame();
}

void MainFrameMenuTest::cleanup()
{
    StopShell(m_app);
    m_frame = nullptr;
}

CDocument* MainFrameMenuTest::OpenTestDocument(const QString& name)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    CDocument* document = TheDocManager().OpenDocumentFile(path);
    QCoreApplication::processEvents();
    return document;
}

void MainFrameMenuTest::withoutDocumentWindowTheShortMenuShows()
{
    QVERIFY(!m_frame->ShowsDocumentMenu());
    QVERIFY(TheDocManager().Documents().isEmpty());
    QCOMPARE(TopMenuTitles(m_frame), (QStringList{"&Datei", "&Ansicht", "&?"}));
    QCOMPARE(MenuItems(TopMenu(m_frame, "&Datei")),
             (QStringList{"Ö&ffnen...\tStrg+O", "B&ild aus Zwischenablage laden\tStrg+V", "-", "Drucker&einrichtung...",
                          "-", "Letzte Datei", "-", "&Beenden"}));
    QCOMPARE(MenuItems(TopMenu(m_frame, "&Ansicht")), (QStringList{"&Symbolleiste", "S&tatusleiste"}));
    QCOMPARE(MenuItems(TopMenu(m_frame, "&?")),
             (QStringList{"Hilfe", "&Hilfethemen", "-", "Inf&o über Grimasso..."}));
    QCOMPARE(m_frame->windowTitle(), QStringLiteral("Grimasso"));
}

void MainFrameMenuTest::withADocumentWindowTheFullMenuShows()
{
    QVERIFY(OpenTestDocument(QStringLiteral("bild.bmp")));
    QTRY_VERIFY(m_frame->ShowsDocumentMenu());
    QCOMPARE(TopMenuTitles(m_frame),
             (QStringList{"&Datei", "&Bearbeiten", "F&ilter", "&Extras", "&Ansicht", "&Fenster", "&?"}));
    // The recent-file placeholder has given way to the entry of the open picture.
    const QString recent = QStringLiteral("&1 ") + m_dir.filePath(QStringLiteral("bild.bmp"));
    QCOMPARE(MenuItems(TopMenu(m_frame, "&Datei")),
             (QStringList{"Ö&ffnen...\tStrg+O", "B&ild aus Zwischenablage laden\tStrg+V", "&Schließen",
                          "S&peichern\tStrg+S", "Speichern &unter...", "-", "&Drucken...\tStrg+P", "Sei&tenansicht",
                          "Drucker&einrichtung...", "-", recent, "-", "&Beenden"}));
    QCOMPARE(MenuItems(TopMenu(m_frame, "&Bearbeiten")),
             (QStringList{"&Rückgängig\tStrg+Z", "Schritt &zurück\tStrg+Alt+Z", "Schritt &vorwärts\tStrg+Umschalt+Z",
                          "-", "&Ausschneiden\tStrg+X", "&Kopieren\tStrg+C",
                          "E&infügen (als neues Bild)\tStrg+V", "-", "&Bild skalieren", "Verformung &übertragen...",
                          "-", "&Punkt verschieben",
                          "&Vergrößern", "V&erkleinern", "&Drehen", "Vide&o erzeugen"}));
    QCOMPARE(MenuItems(TopMenu(m_frame, "F&ilter")), (QStringList{"&Glätten", "Ü&bertreiben..."}));
    QCOMPARE(MenuItems(TopMenu(m_frame, "&Extras")), (QStringList{"&Verschiebemodus Optionen", "&Gesicht karikieren..."}));
    QCOMPARE(MenuItems(TopMenu(m_frame, "&Ansicht")),
             (QStringList{"&Symbolleiste", "S&tatusleiste", "&Verlauf", "-", "&Original anzeigen\tO",
                          "&Gitter anzeigen", "-", "&Zoom > [1/4, 1/2, 3/4, &kein Zoom, &2, &3, &4, -, Ganzes Bild\tStrg+0]"}));
    QCOMPARE(MenuItems(TopMenu(m_frame, "&Fenster")),
             (QStringList{"Neues &Fenster", "Über&lappend", "&Nebeneinander", "&Symbole anordnen"}));
    QCOMPARE(MenuItems(TopMenu(m_frame, "&?")),
             (QStringList{"Hilfe", "&Hilfethemen", "-", "Inf&o über Grimasso..."}));
    QCOMPARE(m_frame->windowTitle(), QStringLiteral("Grimasso - bild.bmp"));
}

void MainFrameMenuTest::menuSetFollowsTheDocumentWindows()
{
    CDocument* document = OpenTestDocument(QStringLiteral("kommt-und-geht.bmp"));
    QVERIFY(document);
    QTRY_VERIFY(m_frame->ShowsDocumentMenu());
    QVERIFY(document->OnCmdMsg(ID_FILE_CLOSE));
    QTRY_VERIFY(!m_frame->ShowsDocumentMenu());
    QCOMPARE(TopMenuTitles(m_frame), (QStringList{"&Datei", "&Ansicht", "&?"}));
    QTRY_COMPARE(m_frame->windowTitle(), QStringLiteral("Grimasso"));
}

void MainFrameMenuTest::toolbarHasTheButtonsInOrder()
{
    QStringList buttons;
    QList<int> ids;
    for (QAction* action : m_frame->ToolBar()->actions()) {
        if (action->isSeparator()) {
            buttons.append(QStringLiteral("|"));
            continue;
        }
        buttons.append(action->toolTip());
        ids.append(action->data().toInt());
        QVERIFY2(!action->icon().isNull(), qPrintable(action->toolTip()));
        QVERIFY(!action->icon().pixmap(QSize(16, 16)).toImage().isNull());
        QVERIFY2(!action->statusTip().isEmpty(), qPrintable(action->toolTip()));
    }
    QCOMPARE(buttons, (QStringList{"Öffnen", "Speichern", "|", "Ausschneiden", "Kopieren",
                                   "Bild aus Zwischenablage laden", "|", "Rückgängig", "|", "Drucken",
                                   "Info über Grimasso", "Direkthilfe", "|", "Punkt verschieben",
                                   "Optionen für Verschiebemodus", "|", "Bildbereich vergrößern",
                                   "Bildbereich verkleinern", "|", "Bildbereich drehen", "|", "Bild glätten",
                                   "Verformung verstärken oder abschwächen", "|", "Video erzeugen", "Gesicht karikieren", "|",
                                   "Original anzeigen"}));
    QCOMPARE(ids, (QList<int>{57601, 57603, 57635, 57634, 57637, 57643, 57607, 57664, 57669, 32775, 32781, 32783,
                              32784, 32787, 32797, 32800, 32786, 32820, 32801}));
    const QList<QAction*> video = m_frame->ActionsFor(ID_CREATE_VIDEO);
    QVERIFY(!video.isEmpty());
    QCOMPARE(video.constFirst()->statusTip(), QStringLiteral("Video erzeugen"));
}

void MainFrameMenuTest::statusBarShowsIdleTextAndLockPanes()
{
    QCOMPARE(m_frame->IdleText(), QStringLiteral("Drücken Sie F1, um Hilfe zu erhalten"));
    QCOMPARE(m_frame->IndicatorPanes().size(), 3);
    for (QLabel* pane : m_frame->IndicatorPanes())
        QVERIFY(pane->text().isEmpty());
}

void MainFrameMenuTest::cutIsAlwaysDisabled()
{
    const auto cutEnabled = [this] {
        m_frame->UpdateCommandStates();
        for (QAction* action : m_frame->ActionsFor(ID_EDIT_CUT)) {
            if (action->isEnabled())
                return true;
        }
        return false;
    };
    QCOMPARE(m_frame->ActionsFor(ID_EDIT_CUT).size(), 2);  // menu 129 item and toolbar button
    QVERIFY(!cutEnabled());
    QVERIFY(OpenTestDocument(QStringLiteral("schere.bmp")));
    QVERIFY(!cutEnabled());
    QVERIFY(!m_frame->ExecuteCommand(ID_EDIT_CUT));
}

void MainFrameMenuTest::pasteIsEnabledOnlyWithAPictureOnTheClipboard()
{
    const auto pasteStates = [this] {
        m_frame->UpdateCommandStates();
        QList<bool> states;
        for (QAction* action : m_frame->ActionsFor(ID_EDIT_PASTE))
            states.append(action->isEnabled());
        return states;
    };
    // File menus 128 and 129, the edit menu, the toolbar.
    QCOMPARE(pasteStates(), (QList<bool>{false, false, false, false}));

    QGuiApplication::clipboard()->setText(QStringLiteral("nur Text"));
    QCOMPARE(pasteStates(), (QList<bool>{false, false, false, false}));

    QImage picture(8, 6, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(picture);
    QCOMPARE(pasteStates(), (QList<bool>{true, true, true, true}));
}

void MainFrameMenuTest::documentCommandsNeedADocumentWindow()
{
    m_frame->UpdateCommandStates();
    for (int id : {ID_FILE_SAVE, ID_EDIT_UNDO, ID_WINDOW_NEW, ID_ZOOM_NONE})
        QVERIFY2(!m_frame->QueryCommandState(id).m_bEnabled, qPrintable(QString::number(id)));
    for (int id : {ID_FILE_OPEN, ID_FILE_PRINT_SETUP, ID_APP_ABOUT, ID_HELP, ID_APP_EXIT})
        QVERIFY2(m_frame->QueryCommandState(id).m_bEnabled, qPrintable(QString::number(id)));

    QVERIFY(OpenTestDocument(QStringLiteral("offen.bmp")));
    for (int id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_CLOSE, ID_EDIT_UNDO, ID_WINDOW_NEW, ID_WINDOW_CASCADE})
        QVERIFY2(m_frame->QueryCommandState(id).m_bEnabled, qPrintable(QString::number(id)));
    // The test view handles no tools: nobody answers, so they stay disabled.
    QVERIFY(!m_frame->QueryCommandState(ID_ROTATE).m_bEnabled);
}

void MainFrameMenuTest::viewsAnswerChecksAndToggleBarsAreChecked()
{
    QVERIFY(OpenTestDocument(QStringLiteral("zoom.bmp")));
    m_frame->UpdateCommandStates();
    QAction* noZoom = MenuAction(TopMenu(m_frame, "&Ansicht"), QStringLiteral("&kein Zoom"));
    QAction* twice = MenuAction(TopMenu(m_frame, "&Ansicht"), QStringLiteral("&2"));
    QVERIFY(noZoom && twice);
    QVERIFY(noZoom->isCheckable() && noZoom->isChecked());
    QVERIFY(!twice->isEnabled());

    QAction* toolbar = MenuAction(TopMenu(m_frame, "&Ansicht"), QStringLiteral("&Symbolleiste"));
    QVERIFY(toolbar->isChecked());
    toolbar->trigger();
    QVERIFY(!m_frame->ToolBar()->isVisibleTo(m_frame));
    QVERIFY(!toolbar->isChecked());
    QVERIFY(m_frame->ExecuteCommand(ID_VIEW_TOOLBAR));
    QVERIFY(m_frame->ToolBar()->isVisibleTo(m_frame));
    QVERIFY(toolbar->isChecked());
}

void MainFrameMenuTest::lockPanesFollowTheLockKeys()
{
    m_frame->NoteKeyPress(Qt::Key_CapsLock, 0);
    QCOMPARE(m_frame->IndicatorPanes()[0]->text(), QStringLiteral("UF"));
    m_frame->NoteKeyPress(Qt::Key_ScrollLock, 0);
    QCOMPARE(m_frame->IndicatorPanes()[2]->text(), QStringLiteral("RF"));
    QVERIFY(m_frame->IndicatorPanes()[1]->text().isEmpty());

    // Where key events carry the lock state, it wins over counting presses;
    // the press of a lock key itself reports the state before it.
    CLockKeyState state;
    state.NoteKeyPress(Qt::Key_A, CLockKeyState::kX11NumLockBit, true);
    QVERIFY(state.NumLock() && !state.CapsLock());
    state.NoteKeyPress(Qt::Key_CapsLock, CLockKeyState::kX11NumLockBit, true);
    QVERIFY(state.CapsLock());
    state.NoteKeyPress(Qt::Key_NumLock, CLockKeyState::kX11NumLockBit | CLockKeyState::kX11CapsLockBit, true);
    QVERIFY(!state.NumLock() && state.CapsLock());
    state.NoteKeyPress(Qt::Key_A, 0, true);
    QVERIFY(!state.CapsLock() && !state.NumLock());
}

QTEST_MAIN(MainFrameMenuTest)
#include "MainFrameMenuTest.moc"
