// SPDX-License-Identifier: GPL-3.0-or-later
// What the main window shows around a real picture: the status-bar prompts and
// tooltips of the view's commands, the marks in the tool, zoom and window
// menus, and the title while a picture window is maximised.
#include <QClipboard>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolBar>

#include "MainFrameTestSupport.h"
#include "framework/Application.h"
#include "framework/CommandIds.h"

namespace {

// A new picture from the clipboard: unlike an opened file it leaves the
// recent-file list, which other test programs read, alone.
bool PasteNewPicture(CMainFrame* frame)
{
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QGuiApplication::clipboard()->setImage(picture);
    return frame->ExecuteCommand(ID_EDIT_PASTE);
}

// The left part of a menu item, where a mark or an empty box would be drawn.
QImage MarkArea(QMenu* menu, const QImage& shot, QAction* action)
{
    const QRect item = menu->actionGeometry(action);
    const int dpr = static_cast<int>(shot.devicePixelRatio());
    // Inside the item, clear of the menu's border and of the next item.
    const QRect area(item.left() + 2, item.top() + 2, item.height() - 4, item.height() - 4);
    return shot.copy(QRect(area.topLeft() * dpr, area.size() * dpr));
}

}  // namespace

class MainFrameLookTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void viewCommandsHaveTheirPromptsAndTooltips_data();
    void viewCommandsHaveTheirPromptsAndTooltips();
    void onlyTheCurrentEntryOfAMenuCarriesAMark();
    void uncheckedEntriesAreDrawnLikePlainItems();
    void maximisedWindowShowsItsTitleOnceInBrackets();

private:
    std::unique_ptr<CGrimassoApp> m_app;
    CMainFrame* m_frame = nullptr;
};

void MainFrameLookTest::initTestCase()
{
    // Test settings, left as they are: these tests add nothing to them.
    QStandardPaths::setTestModeEnabled(true);
}

void MainFrameLookTest::init()
{
    m_app = StartShell(nullptr);
    QVERIFY(m_app);
    m_frame = m_app->MainFrame();
    QVERIFY(PasteNewPicture(m_frame));
    QTRY_VERIFY(m_frame->ShowsDocumentMenu());
    m_frame->UpdateCommandStates();
}

void MainFrameLookTest::cleanup()
{
    StopShell(m_app);
    m_frame = nullptr;
}

void MainFrameLookTest::viewCommandsHaveTheirPromptsAndTooltips_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("tooltip");  // empty: not on the toolbar
    QTest::newRow("move point") << 32775 << "Punkt verschieben" << "Punkt verschieben";
    QTest::newRow("enlarge") << 32783 << "Bildbereich vergrößern" << "Bildbereich vergrößern";
    QTest::newRow("shrink") << 32784 << "Bildbereich verkleinern" << "Bildbereich verkleinern";
    QTest::newRow("rotate") << 32787 << "Bildbereich drehen" << "Bildbereich drehen";
    QTest::newRow("undo") << 57643 << "Macht die letzte Aktion rückgängig." << "Rückgängig";
    QTest::newRow("smooth") << 32797 << "Bild glätten" << "Bild glätten";
    QTest::newRow("exaggerate") << 32800 << "Verformung verstärken oder abschwächen"
                                << "Verformung verstärken oder abschwächen";
    QTest::newRow("original") << 32801 << "Zeigt das unverformte Bild, solange eingeschaltet" << "Original anzeigen";
    QTest::newRow("grid") << 32802 << "Zeigt, wohin das Raster jeder 32. Spalte und Zeile des Originals gewandert ist"
                          << "";
    QTest::newRow("move options") << 32781 << "Optionen für Verschiebemodus" << "Optionen für Verschiebemodus";
    QTest::newRow("face caricature")
        << 32820 << "Findet das Gesicht im Bild und karikiert Augen, Nase, Mund, Kinn und Kopf mit Schiebereglern"
        << "Gesicht karikieren";
    QTest::newRow("zoom 3/4") << 32792 << "Zoom mit Faktor 0.75" << "";
    QTest::newRow("zoom 4") << 32791 << "Zoom mit Faktor 4" << "";
}

void MainFrameLookTest::viewCommandsHaveTheirPromptsAndTooltips()
{
    QFETCH(int, id);
    QFETCH(QString, prompt);
    QFETCH(QString, tooltip);
    const QList<QAction*> actions = m_frame->ActionsFor(id);
    QVERIFY(!actions.isEmpty());
    for (QAction* action : actions)
        QCOMPARE(action->statusTip(), prompt);
    const QList<QAction*> buttons = m_frame->ToolBar()->actions();
    const auto button = std::find_if(buttons.begin(), buttons.end(),
                                     [id](QAction* action) { return action->data().toInt() == id; });
    QCOMPARE(button != buttons.end(), !tooltip.isEmpty());
    if (button != buttons.end())
        QCOMPARE((*button)->toolTip(), tooltip);
}

void MainFrameLookTest::onlyTheCurrentEntryOfAMenuCarriesAMark()
{
    QMenu* edit = TopMenu(m_frame, QStringLiteral("&Bearbeiten"));
    QMenu* view = TopMenu(m_frame, QStringLiteral("&Ansicht"));
    QVERIFY(edit && view);
    // Checkable means drawn with a box; only the marked entry may be.
    auto marked = [](QMenu* menu, const QStringList& texts) {
        QStringList result;
        for (const QString& text : texts) {
            QAction* action = MenuAction(menu, text);
            if (!action)
                return QStringList{QStringLiteral("missing ") + text};
            if (action->isCheckable())
                result.append(text + (action->isChecked() ? QStringLiteral(" (x)") : QStringLiteral(" ( )")));
        }
        return result;
    };
    const QStringList tools = {"&Punkt verschieben", "&Vergrößern", "V&erkleinern", "&Drehen"};
    const QStringList zooms = {"1/4", "1/2", "3/4", "&kein Zoom", "&2", "&3", "&4"};
    QCOMPARE(marked(edit, tools), QStringList{"&Punkt verschieben (x)"});
    QCOMPARE(marked(view, zooms), QStringList{"&kein Zoom (x)"});

    QVERIFY(m_frame->ExecuteCommand(ID_ROTATE));
    QVERIFY(m_frame->ExecuteCommand(ID_ZOOM_1_2));
    QCOMPARE(marked(edit, tools), QStringList{"&Drehen (x)"});
    QCOMPARE(marked(view, zooms), QStringList{"1/2 (x)"});

    // The window list: two windows, the active (second) one marked.
    QVERIFY(m_frame->ExecuteCommand(ID_WINDOW_NEW));
    QMenu* windows = TopMenu(m_frame, QStringLiteral("&Fenster"));
    QVERIFY(windows);
    emit windows->aboutToShow();
    QCOMPARE(marked(windows, {"&1 Grima1:1", "&2 Grima1:2"}), QStringList{"&2 Grima1:2 (x)"});
}

void MainFrameLookTest::uncheckedEntriesAreDrawnLikePlainItems()
{
    QMenu* edit = TopMenu(m_frame, QStringLiteral("&Bearbeiten"));
    QVERIFY(edit);
    edit->adjustSize();
    const QImage shot = edit->grab().toImage();
    QAction* plain = MenuAction(edit, QStringLiteral("Vide&o erzeugen"));
    QAction* current = MenuAction(edit, QStringLiteral("&Punkt verschieben"));
    QVERIFY(plain && current);
    const QImage plainArea = MarkArea(edit, shot, plain);
    QVERIFY(!plainArea.isNull());
    for (const char* text : {"&Vergrößern", "V&erkleinern", "&Drehen"})
        QVERIFY2(MarkArea(edit, shot, MenuAction(edit, QString::fromUtf8(text))) == plainArea, text);
    QVERIFY2(MarkArea(edit, shot, current) != plainArea, "the current tool shows its mark");
}

void MainFrameLookTest::maximisedWindowShowsItsTitleOnceInBrackets()
{
    QMdiSubWindow* window = m_frame->GetActiveFrame();
    QVERIFY(window);
    QTRY_COMPARE(m_frame->windowTitle(), QStringLiteral("Grimasso - Grima1"));
    window->showMaximized();
    QTRY_COMPARE(m_frame->windowTitle(), QStringLiteral("Grimasso - [Grima1]"));
    // The idle update keeps it so.
    QTest::qWait(400);
    QCOMPARE(m_frame->windowTitle(), QStringLiteral("Grimasso - [Grima1]"));

    // A second window opens maximised too and takes over the brackets.
    QVERIFY(m_frame->ExecuteCommand(ID_WINDOW_NEW));
    QTRY_COMPARE(m_frame->windowTitle(), QStringLiteral("Grimasso - [Grima1:2]"));

    m_frame->GetActiveFrame()->showNormal();
    QTRY_COMPARE(m_frame->windowTitle(), QStringLiteral("Grimasso - Grima1:2"));
    QTest::qWait(400);
    QCOMPARE(m_frame->windowTitle(), QStringLiteral("Grimasso - Grima1:2"));
}

QTEST_MAIN(MainFrameLookTest)
#include "MainFrameLookTest.moc"
