// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/Application.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <cstdlib>

#include "framework/DocManager.h"
#include "framework/FileFilter.h"

namespace {

CDocManager* g_docManager = nullptr;
QPointer<QMainWindow> g_mainWindow;
CommandSink g_commandSink;
FileDialogHook g_fileDialogHook;

}  // namespace

CDocManager& TheDocManager()
{
    if (!g_docManager) {
        // Code that runs without the shell (a test of a single dialog) still
        // gets a working manager, without a window area.
        static CDocManager fallback;
        return fallback;
    }
    return *g_docManager;
}

QMainWindow* TheMainWindow()
{
    return g_mainWindow;
}

void SetTheDocManager(CDocManager* manager)
{
    g_docManager = manager;
}

void SetTheMainWindow(QMainWindow* window)
{
    g_mainWindow = window;
}

bool SendCommand(int id)
{
    return g_commandSink ? g_commandSink(id) : false;
}

void PostCommand(int id)
{
    QObject* context = g_mainWindow ? static_cast<QObject*>(g_mainWindow.data()) : nullptr;
    if (!context)
        return;
    QTimer::singleShot(0, context, [id] { SendCommand(id); });
}

void SetCommandSink(CommandSink sink)
{
    g_commandSink = std::move(sink);
}

void SetFileDialogHook(FileDialogHook hook)
{
    g_fileDialogHook = std::move(hook);
}

QString PromptFileName(bool save, const QString& title, const QString& filter, const QString& defaultSuffix,
                       const QString& initialName, bool askOverwrite)
{
    if (g_fileDialogHook) {
        const QString chosen = g_fileDialogHook(save, filter, defaultSuffix, initialName);
        return chosen.isEmpty() ? QString() : QFileInfo(chosen).absoluteFilePath();
    }
    QFileDialog dialog(g_mainWindow, title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(ConvertFileFilter(filter));
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !askOverwrite);
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
}
