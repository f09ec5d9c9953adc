#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: reads the command line, sets up the document type,
// the main frame and the start screen, carries out a file named on the command
// line, and handles the commands that need no document: open, paste as new
// picture, About, printer setup, the recent files and exit.
#include <QObject>
#include <QStringList>
#include <memory>

#include "app/CommandLineInfo.h"
#include "framework/CmdTarget.h"

class CDocManager;
class CMainFrame;

class CGrimassoApp : public QObject, public CCmdTarget {
    Q_OBJECT
public:
    CGrimassoApp();
    ~CGrimassoApp() override;

    // Start-up with the arguments after the program name. False when the
    // program should end at once (then ExitCode says how).
    bool InitInstance(const QStringList& arguments);
    int ExitCode() const { return m_nExitCode; }

    CMainFrame* MainFrame() const { return m_pMainFrame; }
    CDocManager& DocManager() const { return *m_pDocManager; }

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI& ui) override;

    void OnFileOpen();
    void OnEditPaste();
    void OnAppAbout();

protected:
    // Sees every key press before it is delivered (the lock-key panes).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool ProcessShellCommand(const CCommandLineInfo& info);
    void ShowMainWindow();

    std::unique_ptr<CDocManager> m_pDocManager;
    CMainFrame* m_pMainFrame = nullptr;
    int m_nExitCode = 0;
};
