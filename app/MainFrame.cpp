// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>
#include <QWhatsThis>

#include "app/HelpWindow.h"
#include "app/StartScreen.h"
#include "app/ToolbarIcons.h"
#include "document/GrimassoDoc.h"
#include "framework/Application.h"
#include "framework/CommandIds.h"
#include "framework/DocManager.h"
#include "framework/Document.h"
#include "framework/HelpRequest.h"
#include "framework/StringTable.h"
#include "framework/View.h"
#include "resources/StringIds.h"
#include "view/GrimassoView.h"
#include "view/HistoryPanel.h"

namespace {

constexpr int kLongestRecentPath = 60;

// A command's string is "status-bar prompt\ntooltip".
QString PromptOf(int id)
{
    return LoadQString(id).section(QLatin1Char('\n'), 0, 0);
}

QString TooltipOf(int id)
{
    const QString text = LoadQString(id);
    return text.contains(QLatin1Char('\n')) ? text.section(QLatin1Char('\n'), 1) : text;
}

// A recent-file path as a menu shows it: shortened in the middle when long,
// and with '&' doubled so that it is not taken for a mnemonic.
QString MenuPath(const QString& path)
{
    QString shown = QDir::toNativeSeparators(path);
    if (shown.size() > kLongestRecentPath) {
        const qsizetype keepEnd = kLongestRecentPath * 2 / 3;
        const qsizetype keepStart = kLongestRecentPath - keepEnd - 1;
        shown = shown.left(keepStart) + QChar(0x2026) + shown.right(keepEnd);
    }
    return shown.replace(QLatin1Char('&'), QLatin1String("&&"));
}

// A zoom factor in percent as the status bar shows it: whole percent, with
// one decimal below ten (a sixteenth is "6,3 %").
QString ZoomText(double zoom)
{
    const double percent = zoom * 100.0;
    return LoadQString(IDS_ZOOM_PERCENT).arg(QLocale(QLocale::German).toString(percent, 'f', percent < 9.95 ? 1 : 0));
}

}  // namespace

CMainFrame::CMainFrame(CCmdTarget* application) : m_pApplication(application), m_pMdiArea(new QMdiArea(this))
{
    setWindowTitle(LoadQString(AFX_IDS_APP_TITLE));
    setWindowIcon(ApplicationIcon());
    setAcceptDrops(true);
    m_pMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_pMdiArea);
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);

    m_mainMenus = BuildMenuSet(MainFrameMenu());
    m_documentMenus = BuildMenuSet(DocumentMenu());
    for (QMenu* menu : m_mainMenus)
        menuBar()->addMenu(menu);
    BuildToolBar();
    BuildStatusBar();
    BuildAccelerators();
    BuildHistoryDock();

    connect(&TheDocManager(), &CDocManager::recentFilesChanged, this, &CMainFrame::UpdateRecentFileItems);
    connect(&TheDocManager(), &CDocManager::documentsChanged, this, [this] {
        QMetaObject::invokeMethod(this, &CMainFrame::UpdateMenuSet, Qt::QueuedConnection);
    });
    UpdateRecentFileItems();
    UpdateCommandStates();

    // Command states follow signals; nothing polls them.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &CMainFrame::ScheduleCommandStates);
    connect(m_pToolBar, &QToolBar::visibilityChanged, this, &CMainFrame::ScheduleCommandStates);
    connect(qApp, &QApplication::focusChanged, this, &CMainFrame::ScheduleCommandStates);

    SetHelpHandler([this](QWidget* asker, int topic) { ShowHelp(asker, topic); });
    StartScreen::Show(this);
}

CMainFrame::~CMainFrame()
{
    SetHelpHandler(nullptr);
    // Views and frames go before the menus they might still update.
    disconnect(m_pMdiArea, nullptr, this, nullptr);
    delete m_pMdiArea;
    m_pMdiArea = nullptr;
}

QAction* CMainFrame::CreateCommandAction(int id, const QString& text, QObject* parent)
{
    auto* action = new QAction(text, parent);
    action->setData(id);
    action->setStatusTip(PromptOf(id));
    action->setWhatsThis(PromptOf(id));
    // The menu texts name their keys themselves; the keys are separate shortcuts.
    action->setShortcutVisibleInContextMenu(false);
    connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
    m_actions.insert(id, action);
    return action;
}

std::vector<QMenu*> CMainFrame::BuildMenuSet(const std::vector<MenuNode>& nodes)
{
    std::vector<QMenu*> menus;
    for (const MenuNode& node : nodes) {
        auto* menu = new QMenu(LoadQString(node.textId), this);
        FillMenu(menu, node.children);
        if (node.textId == IDS_MENU_WINDOW) {
            m_pWindowMenu = menu;
            connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateWindowList);
        }
        menus.push_back(menu);
    }
    return menus;
}

void CMainFrame::FillMenu(QMenu* menu, const std::vector<MenuNode>& nodes)
{
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
    for (const MenuNode& node : nodes) {
        if (node.textId == 0) {
            menu->addSeparator();
        } else if (!node.children.empty()) {
            QMenu* submenu = menu->addMenu(LoadQString(node.textId));
            FillMenu(submenu, node.children);
        } else {
            QAction* action = CreateCommandAction(node.commandId, LoadQString(node.textId), menu);
            menu->addAction(action);
            if (node.commandId == ID_FILE_MRU_FILE1)
                m_recentFileSlots.push_back(RecentFileSlot{menu, action, {}});
        }
    }
}

void CMainFrame::BuildToolBar()
{
    m_pToolBar = new QToolBar(LoadQString(IDS_TOOLBAR_TITLE), this);
    m_pToolBar->setObjectName(QStringLiteral("MainToolBar"));
    m_pToolBar->setIconSize(QSize(16, 16));
    m_pToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (int id : ToolbarButtons()) {
        if (id == 0) {
            m_pToolBar->addSeparator();
            continue;
        }
        QAction* action = CreateCommandAction(id, TooltipOf(id), m_pToolBar);
        action->setIcon(ToolbarIcon(id));
        action->setToolTip(TooltipOf(id));
        m_pToolBar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
}

void CMainFrame::BuildStatusBar()
{
    m_pIdleLabel = new QLabel(LoadQString(AFX_IDS_IDLEMESSAGE), this);
    statusBar()->addWidget(m_pIdleLabel, 1);
    m_pZoomPane = new QLabel(this);
    m_pZoomPane->setObjectName(QStringLiteral("ZoomPane"));
    m_pZoomPane->setAlignment(Qt::AlignCenter);
    m_pZoomPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_pZoomPane->setMinimumWidth(m_pZoomPane->fontMetrics().horizontalAdvance(ZoomText(16.0)) + 12);
    statusBar()->addPermanentWidget(m_pZoomPane);
    for (int id : {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL}) {
        auto* pane = new QLabel(this);
        pane->setObjectName(QStringLiteral("Indicator%1").arg(id));
        pane->setProperty("indicatorText", LoadQString(id));
        pane->setAlignment(Qt::AlignCenter);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(LoadQString(id)) + 12);
        statusBar()->addPermanentWidget(pane);
        m_indicators.append(pane);
    }
    UpdateIndicators();
}

void CMainFrame::BuildAccelerators()
{
    for (const Accelerator& accelerator : Accelerators()) {
        // The keys work in every window of the program that a modal dialog
        // does not block (the start screen too), but not while the main
        // window is disabled by a long operation.
        auto* shortcut = new QShortcut(accelerator.key, this);
        shortcut->setContext(Qt::ApplicationShortcut);
        const int id = accelerator.commandId;
        connect(shortcut, &QShortcut::activated, this, [this, id] {
            if (isEnabled())
                ExecuteCommand(id);
        });
    }
}

QString CMainFrame::IdleText() const
{
    return m_pIdleLabel->text();
}

QMdiSubWindow* CMainFrame::GetActiveFrame() const
{
    return m_pMdiArea ? m_pMdiArea->currentSubWindow() : nullptr;
}

CView* CMainFrame::GetActiveView() const
{
    QMdiSubWindow* frame = GetActiveFrame();
    return frame ? qobject_cast<CView*>(frame->widget()) : nullptr;
}

CCmdUI CMainFrame::QueryCommandState(int id)
{
    CView* view = GetActiveView();
    CCmdTarget* const chain[] = {view, view ? view->GetDocument() : nullptr,
                                 dynamic_cast<CCmdTarget*>(GetActiveFrame()), this, m_pApplication};
    CCmdUI ui(id);
    RouteUpdate(chain, ui);
    return ui;
}

bool CMainFrame::ExecuteCommand(int id)
{
    // A disabled command does nothing, whether it comes from a key or elsewhere.
    if (!QueryCommandState(id).m_bEnabled)
        return false;
    CView* view = GetActiveView();
    CCmdTarget* const chain[] = {view, view ? view->GetDocument() : nullptr,
                                 dynamic_cast<CCmdTarget*>(GetActiveFrame()), this, m_pApplication};
    const bool handled = RouteCommand(chain, id);
    UpdateCommandStates();
    return handled;
}

void CMainFrame::UpdateCommandStates()
{
    for (const int id : m_actions.uniqueKeys()) {
        const CCmdUI ui = QueryCommandState(id);
        for (QAction* action : m_actions.values(id)) {
            action->setEnabled(ui.m_bEnabled);
            if (ui.m_bCheckSet) {
                // Only the item that carries the mark is checkable: an unchecked
                // one looks like a plain item, without an empty box.
                action->setCheckable(ui.m_bChecked);
                action->setChecked(ui.m_bChecked);
            } else if (action->isCheckable()) {
                action->setChecked(false);
                action->setCheckable(false);
            }
        }
    }
}

void CMainFrame::UpdateMenuSet()
{
    bool hasWindow = false;
    if (m_pMdiArea) {
        for (QMdiSubWindow* window : m_pMdiArea->subWindowList())
            hasWindow = hasWindow || !window->isHidden();
    }
    if (hasWindow == m_bDocumentMenu)
        return;
    m_bDocumentMenu = hasWindow;
    menuBar()->clear();
    for (QMenu* menu : hasWindow ? m_documentMenus : m_mainMenus)
        menuBar()->addMenu(menu);
    UpdateCommandStates();
}

void CMainFrame::UpdateRecentFileItems()
{
    const QStringList files = TheDocManager().RecentFiles();
    for (RecentFileSlot& slot : m_recentFileSlots) {
        for (QAction* entry : slot.entries) {
            m_actions.remove(entry->data().toInt(), entry);
            delete entry;
        }
        slot.entries.clear();
        // Without recent files the placeholder stands there, disabled.
        slot.placeholder->setVisible(files.isEmpty());
        for (int i = 0; i < files.size() && i < kRecentFileCount; ++i) {
            const QString text = LoadQString(IDS_RECENT_FILE_ENTRY).arg(i + 1).arg(MenuPath(files[i]));
            QAction* entry = CreateCommandAction(ID_FILE_MRU_FILE1 + i, text, slot.menu);
            entry->setToolTip(files[i]);
            slot.menu->insertAction(slot.placeholder, entry);
            slot.entries.append(entry);
        }
    }
    UpdateCommandStates();
}

void CMainFrame::UpdateWindowList()
{
    for (QAction* action : m_windowListActions)
        delete action;
    m_windowListActions.clear();
    if (!m_pWindowMenu || !m_pMdiArea)
        return;
    const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList();
    int number = 0;
    for (QMdiSubWindow* window : windows) {
        if (window->isHidden())
            continue;
        if (number == 0)
            m_windowListActions.append(m_pWindowMenu->addSeparator());
        ++number;
        QString title = window->windowTitle();
        title.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* action = m_pWindowMenu->addAction(QStringLiteral("&%1 %2").arg(number).arg(title));
        // The active window's entry alone carries a mark (see UpdateCommandStates).
        action->setCheckable(window == GetActiveFrame());
        action->setChecked(window == GetActiveFrame());
        connect(action, &QAction::triggered, this, [this, target = QPointer<QMdiSubWindow>(window)] {
            if (target)
                m_pMdiArea->setActiveSubWindow(target);
        });
        m_windowListActions.append(action);
    }
}

void CMainFrame::NoteKeyPress(int key, quint32 nativeModifiers)
{
    m_lockState.NoteKeyPress(key, nativeModifiers, QGuiApplication::platformName() == QLatin1String("xcb"));
    UpdateIndicators();
}

void CMainFrame::UpdateIndicators()
{
    const bool states[] = {m_lockState.CapsLock(), m_lockState.NumLock(), m_lockState.ScrollLock()};
    for (qsizetype i = 0; i < m_indicators.size(); ++i) {
        QLabel* pane = m_indicators[i];
        pane->setText(states[i] ? pane->property("indicatorText").toString() : QString());
    }
}

void CMainFrame::UpdateZoomPane()
{
    const auto* view = qobject_cast<const CGrimassoView*>(GetActiveView());
    m_pZoomPane->setText(view ? ZoomText(view->GetZoom()) : QString());
}

void CMainFrame::UpdateTitle()
{
    const QString program = LoadQString(AFX_IDS_APP_TITLE);
    const QMdiSubWindow* frame = GetActiveFrame();
    QString title = program;
    if (frame && !frame->isHidden()) {
        // A maximised window has no title bar of its own: its title stands once,
        // in brackets, in the main window's.
        const int format = frame->isMaximized() ? IDS_MAIN_TITLE_WITH_MAXIMIZED_DOCUMENT : IDS_MAIN_TITLE_WITH_DOCUMENT;
        title = LoadQString(format).arg(program, frame->windowTitle());
    }
    if (windowTitle() != title)
        setWindowTitle(title);
}

void CMainFrame::OnSubWindowActivated(QMdiSubWindow* window)
{
    if (window)
        connect(window, &QMdiSubWindow::windowStateChanged, this, &CMainFrame::UpdateTitle, Qt::UniqueConnection);
    CView* view = window ? qobject_cast<CView*>(window->widget()) : nullptr;
    if (view != m_pActiveView) {
        if (m_pActiveView)
            m_pActiveView->OnActivateView(false);
        m_pActiveView = view;
        if (view)
            view->OnActivateView(true);
    }
    FollowActiveDocument(window);
    QMetaObject::invokeMethod(this, &CMainFrame::UpdateMenuSet, Qt::QueuedConnection);
    UpdateTitle();
    UpdateCommandStates();
}

void CMainFrame::ScheduleCommandStates()
{
    if (m_bStatesScheduled)
        return;
    m_bStatesScheduled = true;
    QMetaObject::invokeMethod(this, [this] {
        m_bStatesScheduled = false;
        UpdateMenuSet();
        UpdateTitle();
        UpdateCommandStates();
    }, Qt::QueuedConnection);
}

void CMainFrame::FollowActiveDocument(QMdiSubWindow* window)
{
    for (const QMetaObject::Connection& connection : m_activeDocumentConnections)
        disconnect(connection);
    m_activeDocumentConnections.clear();
    CView* view = window ? qobject_cast<CView*>(window->widget()) : nullptr;
    if (m_pHistoryPanel)
        m_pHistoryPanel->ShowView(qobject_cast<CGrimassoView*>(view));
    UpdateZoomPane();
    if (auto* pictureView = qobject_cast<CGrimassoView*>(view))
        m_activeDocumentConnections.append(
            connect(pictureView, &CGrimassoView::zoomChanged, this, &CMainFrame::UpdateZoomPane));
    if (!view || !view->GetDocument())
        return;
    CDocument* document = view->GetDocument();
    m_activeDocumentConnections += {
        connect(document, &CDocument::modifiedChanged, this, &CMainFrame::ScheduleCommandStates),
        connect(document, &CDocument::titleChanged, this, &CMainFrame::ScheduleCommandStates),
        connect(window, &QMdiSubWindow::windowTitleChanged, this, &CMainFrame::ScheduleCommandStates),
    };
    if (auto* picture = qobject_cast<CGrimassoDoc*>(document))
        m_activeDocumentConnections.append(
            connect(picture, &CGrimassoDoc::pictureStateChanged, this, &CMainFrame::ScheduleCommandStates));
}

void CMainFrame::BuildHistoryDock()
{
    m_pHistoryDock = new QDockWidget(LoadQString(IDS_HISTORY_PANEL_TITLE), this);
    m_pHistoryDock->setObjectName(QStringLiteral("HistoryDock"));
    m_pHistoryPanel = new CHistoryPanel(m_pHistoryDock);
    m_pHistoryDock->setWidget(m_pHistoryPanel);
    addDockWidget(Qt::RightDockWidgetArea, m_pHistoryDock);
    m_pHistoryDock->hide();
    connect(m_pHistoryDock, &QDockWidget::visibilityChanged, this, &CMainFrame::ScheduleCommandStates);
}

void CMainFrame::ArrangeIcons()
{
    // Minimized windows line up along the bottom edge, left to right.
    int x = 0;
    const int bottom = m_pMdiArea->viewport()->height();
    for (QMdiSubWindow* window : m_pMdiArea->subWindowList()) {
        if (!window->isMinimized() || window->isHidden())
            continue;
        window->move(x, bottom - window->height());
        x += window->width();
    }
}

CHelpWindow* CMainFrame::HelpWindow() const
{
    return m_pHelpWindow;
}

void CMainFrame::ShowHelp(QWidget* asker, int topic)
{
    if (!m_pHelpWindow) {
        m_pHelpWindow = new CHelpWindow(this);
        m_pHelpWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_pHelpWindow->ShowTopic(asker, topic);
}

bool CMainFrame::OnCmdMsg(int id)
{
    switch (id) {
    case ID_VIEW_TOOLBAR:
        m_pToolBar->setVisible(!m_pToolBar->isVisibleTo(this));
        return true;
    case ID_VIEW_STATUS_BAR:
        statusBar()->setVisible(!statusBar()->isVisibleTo(this));
        return true;
    case ID_VIEW_HISTORY:
        m_pHistoryDock->setVisible(!m_pHistoryDock->isVisibleTo(this));
        return true;
    case ID_HELP:
    case ID_HELP_FINDER:
    case ID_DEFAULT_HELP:
        ShowHelp();
        return true;
    case ID_CONTEXT_HELP:
        QWhatsThis::enterWhatsThisMode();
        return true;
    case ID_WINDOW_NEW:
        if (CView* view = GetActiveView())
            TheDocManager().CreateNewWindow(view->GetDocument());
        return true;
    case ID_WINDOW_CASCADE:
        m_pMdiArea->cascadeSubWindows();
        return true;
    case ID_WINDOW_TILE_HORZ:
        m_pMdiArea->tileSubWindows();
        return true;
    case ID_WINDOW_ARRANGE:
        ArrangeIcons();
        return true;
    case ID_NEXT_PANE:
        m_pMdiArea->activateNextSubWindow();
        return true;
    case ID_PREV_PANE:
        m_pMdiArea->activatePreviousSubWindow();
        return true;
    default:
        return false;
    }
}

bool CMainFrame::OnUpdateCmdUI(CCmdUI& ui)
{
    switch (ui.m_nID) {
    case ID_VIEW_TOOLBAR:
        ui.SetCheck(m_pToolBar->isVisibleTo(this));
        return true;
    case ID_VIEW_STATUS_BAR:
        ui.SetCheck(statusBar()->isVisibleTo(this));
        return true;
    case ID_VIEW_HISTORY:
        ui.SetCheck(m_pHistoryDock->isVisibleTo(this));
        return true;
    case ID_HELP:
    case ID_HELP_FINDER:
    case ID_DEFAULT_HELP:
    case ID_CONTEXT_HELP:
        return true;
    case ID_WINDOW_NEW:
    case ID_WINDOW_CASCADE:
    case ID_WINDOW_TILE_HORZ:
    case ID_WINDOW_ARRANGE:
        ui.Enable(GetActiveView() != nullptr);
        return true;
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
        ui.Enable(m_pMdiArea->subWindowList().size() > 1);
        return true;
    default:
        return false;
    }
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!TheDocManager().SaveAllModified()) {
        event->ignore();
        return;
    }
    TheDocManager().CloseAllDocuments();
    if (m_pHelpWindow)
        m_pHelpWindow->close();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* mime = event->mimeData();
    if (!mime || !mime->hasUrls())
        return;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            return;
        }
    }
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    const QMimeData* mime = event->mimeData();
    if (!mime || !mime->hasUrls())
        return;
    QStringList paths;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    event->acceptProposedAction();
    activateWindow();
    // Open after the drop has finished, so that a message box cannot stall the drag.
    QMetaObject::invokeMethod(this, [paths] {
        for (const QString& path : paths)
            TheDocManager().OpenDocumentFile(path);
    }, Qt::QueuedConnection);
}
