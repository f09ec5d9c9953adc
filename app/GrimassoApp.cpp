// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RecoveryOffer.h"
#include "app/GrimassoApp.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QSessionManager>
#include <cstdio>

#include "app/AboutBox.h"
#include "app/ChildFrame.h"
#include "app/EditorDialogs.h"
#include "app/MainFrame.h"
#include "app/StartScreen.h"
#include "app/ToolbarIcons.h"
#include "document/GrimassoDoc.h"
#include "framework/Application.h"
#include "framework/CommandIds.h"
#include "framework/DocManager.h"
#include "framework/DocTemplate.h"
#include "framework/StringTable.h"
#include "framework/View.h"
#include "framework/WaitCursor.h"
#include "image/qt/Clipboard.h"
#include "resources/StringIds.h"
#include "view/GrimassoView.h"

namespace {

void PrintLine(std::FILE* stream, const QString& text)
{
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
}

}  // namespace

CGrimassoApp::CGrimassoApp() : m_pDocManager(std::make_unique<CDocManager>())
{
    SetTheDocManager(m_pDocManager.get());
}

CGrimassoApp::~CGrimassoApp()
{
    if (qApp)
        qApp->removeEventFilter(this);
    SetCommandSink(nullptr);
    // Windows first: their views still talk to the documents.
    delete m_pMainFrame;
    m_pMainFrame = nullptr;
    SetTheMainWindow(nullptr);
    m_pDocManager.reset();
    SetTheDocManager(nullptr);
}

bool CGrimassoApp::InitInstance(const QStringList& arguments)
{
    const CCommandLineInfo info = ParseCommandLine(arguments);
    switch (info.m_nShellCommand) {
    case CCommandLineInfo::Invalid:
        PrintLine(stderr, info.m_strError);
        PrintLine(stderr, LoadQString(IDS_CMDLINE_USAGE));
        m_nExitCode = 2;
        return false;
    case CCommandLineInfo::ShowUsage:
        PrintLine(stdout, LoadQString(IDS_CMDLINE_USAGE));
        return false;
    case CCommandLineInfo::ShowVersion:
        PrintLine(stdout, LoadQString(AFX_IDS_APP_TITLE) + QLatin1Char(' ') + QLatin1String(GRIMASSO_VERSION));
        return false;
    default:
        break;
    }
    StartScreen::Enable(info.m_bShowSplash);
    QGuiApplication::setWindowIcon(ApplicationIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("de.haxel.Grimasso"));  // the installed desktop entry

    auto docTemplate = std::make_unique<CDocTemplate>(
        [] { return static_cast<CDocument*>(new CGrimassoDoc(EditorDialogs())); },
        [](CDocument* document) {
            return static_cast<CView*>(new CGrimassoView(static_cast<CGrimassoDoc*>(document)));
        });
    docTemplate->createFrame = [](CView* view) { return static_cast<QMdiSubWindow*>(new CChildFrame(view)); };
    docTemplate->SetDescriptor(LoadQString(IDR_GRIMATYPE));
    m_pDocManager->SetDocTemplate(std::move(docTemplate));

    m_pMainFrame = new CMainFrame(this);
    SetTheMainWindow(m_pMainFrame);
    m_pDocManager->SetMdiArea(m_pMainFrame->MdiArea());
    SetCommandSink([this](int id) { return m_pMainFrame && m_pMainFrame->ExecuteCommand(id); });
    if (qApp) {
        qApp->installEventFilter(this);
        // Logging out asks about unsaved pictures like Exit does.
        connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& session) {
            if (session.allowsInteraction()) {
                if (!m_pDocManager->SaveAllModified())
                    session.cancel();
                session.release();
            }
        });
    }

    // A picture to open appears in the shown window, so that its window can
    // take its size from the main window's area; printing shows no window at all.
    if (info.m_nShellCommand != CCommandLineInfo::FilePrint) {
        ShowMainWindow();
        OfferRecovery(*m_pDocManager);
    }
    return ProcessShellCommand(info);
}

bool CGrimassoApp::ProcessShellCommand(const CCommandLineInfo& info)
{
    switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileOpen:
        // A picture that cannot be opened has been reported by the document;
        // the editor stays open with an empty window instead of vanishing.
        m_pDocManager->OpenDocumentFile(info.m_strFileName);
        return true;
    case CCommandLineInfo::FilePrint: {
        CDocument* document = m_pDocManager->OpenDocumentFile(info.m_strFileName);
        CView* view = document && !document->GetViews().isEmpty() ? document->GetViews().constFirst() : nullptr;
        const bool printed = view && view->OnCmdMsg(ID_FILE_PRINT_DIRECT);
        if (document)
            document->OnCloseDocument();
        if (!printed)
            PrintLine(stderr, LoadQString(IDS_CMDLINE_PRINT_FAILED).arg(info.m_strFileName));
        m_nExitCode = printed ? 0 : 1;
        return false;
    }
    default:
        return true;
    }
}

void CGrimassoApp::ShowMainWindow()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        const QSize size = area.size() * 4 / 5;
        m_pMainFrame->resize(size);
        m_pMainFrame->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    }
    m_pMainFrame->show();
    m_pMainFrame->update();
}

void CGrimassoApp::OnFileOpen()
{
    const QString path = PromptFileName(false, LoadQString(IDS_OPEN_TITLE), LoadQString(IDS_OPEN_FILTER),
                                        LoadQString(IDS_DEFAULT_EXTENSION), QString());
    if (path.isEmpty())
        return;
    m_pDocManager->OpenDocumentFile(path);
}

void CGrimassoApp::OnEditPaste()
{
    const CWaitCursor wait;
    m_pDocManager->OpenNewDocument();
}

void CGrimassoApp::OnAppAbout()
{
    AboutBox box(m_pMainFrame);
    box.exec();
}

bool CGrimassoApp::OnCmdMsg(int id)
{
    switch (id) {
    case ID_FILE_OPEN:
        OnFileOpen();
        return true;
    case ID_FILE_NEW:  // routed like the framework's New, though nothing issues it
    case ID_EDIT_PASTE:
        OnEditPaste();
        return true;
    case ID_APP_ABOUT:
        OnAppAbout();
        return true;
    case ID_FILE_PRINT_SETUP:
        CGrimassoView::OnFilePrintSetup(m_pMainFrame);
        return true;
    case ID_APP_EXIT:
        if (m_pMainFrame)
            m_pMainFrame->close();
        return true;
    default:
        break;
    }
    if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_FILE4) {
        m_pDocManager->OpenRecentFile(id - ID_FILE_MRU_FILE1);
        return true;
    }
    return false;
}

bool CGrimassoApp::OnUpdateCmdUI(CCmdUI& ui)
{
    switch (ui.m_nID) {
    case ID_FILE_OPEN:
    case ID_FILE_NEW:
    case ID_APP_ABOUT:
    case ID_FILE_PRINT_SETUP:
    case ID_APP_EXIT:
        return true;
    case ID_EDIT_PASTE:
        ui.Enable(ClipboardHasPicture());
        return true;
    default:
        break;
    }
    if (ui.m_nID >= ID_FILE_MRU_FILE1 && ui.m_nID <= ID_FILE_MRU_FILE4) {
        ui.Enable(ui.m_nID - ID_FILE_MRU_FILE1 < m_pDocManager->RecentFiles().size());
        return true;
    }
    return false;
}

bool CGrimassoApp::eventFilter(QObject* watched, QEvent* event)
{
    // Each key press reaches its window once (the widgets may pass it on to their parents).
    if (event->type() == QEvent::KeyPress && m_pMainFrame && watched->isWindowType()) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (!key->isAutoRepeat())
            m_pMainFrame->NoteKeyPress(key->key(), key->nativeModifiers());
    }
    return QObject::eventFilter(watched, event);
}
