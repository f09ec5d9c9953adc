#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Access to the application's one document manager and main window from
// anywhere, the command entry point, and the file-dialog seam for tests.
#include <QString>
#include <functional>

class CDocManager;
class QMainWindow;

CDocManager& TheDocManager();
QMainWindow* TheMainWindow();
// Set by the application shell at start-up (and by tests).
void SetTheDocManager(CDocManager* manager);
void SetTheMainWindow(QMainWindow* window);

// Carries out command id now along the routing chain (active view, document,
// child frame, main frame, application); true when some target handled it.
bool SendCommand(int id);
// Carries out command id once control returns to the event loop.
void PostCommand(int id);
// Installed by the main frame: the routing that SendCommand and PostCommand use.
using CommandSink = std::function<bool(int id)>;
void SetCommandSink(CommandSink sink);

// When set, PromptFileName asks the hook instead of showing a dialog.
using FileDialogHook = std::function<QString(bool save, const QString& filter, const QString& defaultSuffix,
                                             const QString& initialName)>;
void SetFileDialogHook(FileDialogHook hook);
// Asks for a file to open (save false: it must exist) or to save (with an
// overwrite question unless askOverwrite is false, for callers that ask
// themselves); filter is "Name|*.a;*.b|Name|*.c||"; defaultSuffix is appended
// to a name typed without ending. The full path, or empty on cancel.
QString PromptFileName(bool save, const QString& title, const QString& filter, const QString& defaultSuffix,
                       const QString& initialName, bool askOverwrite = true);
