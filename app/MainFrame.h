#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: menus (one set without a document window, one with), the
// toolbar, the status bar with its idle text and lock-key panes, the window
// area for the document windows, the accelerators, help, and command routing
// (active view -> its document -> child frame -> main frame -> application).
#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <vector>

#include "app/LockKeyState.h"
#include "app/MenuLayout.h"
#include "framework/CmdTarget.h"

class CHelpWindow;
class CHistoryPanel;
class CView;
class QAction;
class QDockWidget;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

class CMainFrame : public QMainWindow, public CCmdTarget {
    Q_OBJECT
public:
    // application is the last target of the routing chain.
    explicit CMainFrame(CCmdTarget* application = nullptr);
    ~CMainFrame() override;

    QMdiArea* MdiArea() const { return m_pMdiArea; }
    QToolBar* ToolBar() const { return m_pToolBar; }
    // The "Verlauf" panel and the dock that holds it (hidden at the start).
    QDockWidget* HistoryDock() const { return m_pHistoryDock; }
    CHistoryPanel* HistoryPanel() const { return m_pHistoryPanel; }
    // The window and view the commands go to; null without document windows.
    QMdiSubWindow* GetActiveFrame() const;
    CView* GetActiveView() const;

    // Carries out id along the routing chain, unless it is disabled right now.
    bool ExecuteCommand(int id);
    // The state of id as the routing chain answers it.
    CCmdUI QueryCommandState(int id);
    // Brings every menu item and toolbar button up to date.
    void UpdateCommandStates();
    // The same once control returns to the event loop, however often asked
    // before: the signals of a document, the clipboard and the windows ask.
    void ScheduleCommandStates();
    // Shows menu 129 while a document window is open, else menu 128.
    void UpdateMenuSet();
    bool ShowsDocumentMenu() const { return m_bDocumentMenu; }

    // Every menu item and toolbar button of command id.
    QList<QAction*> ActionsFor(int id) const { return m_actions.values(id); }
    // The status bar's message pane text and the three lock panes.
    QString IdleText() const;
    QList<QLabel*> IndicatorPanes() const { return m_indicators; }
    // The status bar's pane with the active view's zoom in percent (empty without one).
    QLabel* ZoomPane() const { return m_pZoomPane; }

    // The help window, at the section whose heading is string id topic (0: as
    // it stands); beside asker when that is a modal dialog.
    void ShowHelp(QWidget* asker = nullptr, int topic = 0);
    CHelpWindow* HelpWindow() const;

    // Called for every key press the program sees (the lock-key panes).
    void NoteKeyPress(int key, quint32 nativeModifiers);

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI& ui) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct RecentFileSlot {
        QMenu* menu;
        QAction* placeholder;
        QList<QAction*> entries;
    };

    QAction* CreateCommandAction(int id, const QString& text, QObject* parent);
    std::vector<QMenu*> BuildMenuSet(const std::vector<MenuNode>& nodes);
    void FillMenu(QMenu* menu, const std::vector<MenuNode>& nodes);
    void BuildToolBar();
    void BuildStatusBar();
    void BuildAccelerators();
    void BuildHistoryDock();
    // Follows the signals of the active window's document that change command states.
    void FollowActiveDocument(QMdiSubWindow* window);
    void UpdateRecentFileItems();
    void UpdateWindowList();
    void UpdateIndicators();
    void UpdateZoomPane();
    void UpdateTitle();
    void OnSubWindowActivated(QMdiSubWindow* window);
    void ArrangeIcons();

    CCmdTarget* m_pApplication;
    QMdiArea* m_pMdiArea;
    QToolBar* m_pToolBar = nullptr;
    QLabel* m_pIdleLabel = nullptr;
    QList<QLabel*> m_indicators;
    QLabel* m_pZoomPane = nullptr;
    std::vector<QMenu*> m_mainMenus;      // menu 128
    std::vector<QMenu*> m_documentMenus;  // menu 129
    bool m_bDocumentMenu = false;
    QMenu* m_pWindowMenu = nullptr;
    QList<QAction*> m_windowListActions;
    std::vector<RecentFileSlot> m_recentFileSlots;
    QMultiHash<int, QAction*> m_actions;
    QPointer<CView> m_pActiveView;
    QPointer<CHelpWindow> m_pHelpWindow;
    CLockKeyState m_lockState;
    QDockWidget* m_pHistoryDock = nullptr;
    CHistoryPanel* m_pHistoryPanel = nullptr;
    QList<QMetaObject::Connection> m_activeDocumentConnections;
    bool m_bStatesScheduled = false;
};
