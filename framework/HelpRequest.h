#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Help asked for from a window, usually a dialog's "Hilfe" button. A topic is
// the string id of a heading of the help text; 0 is the help as a whole.
#include <functional>

class QWidget;

// Section headings that the dialogs open.
constexpr int IDH_MOVE_POINT = 41203;      // move-options dialog
constexpr int IDH_ENLARGE_SHRINK = 41205;  // enlarge and shrink dialogs
constexpr int IDH_ROTATE = 41207;          // rotate dialog
constexpr int IDH_SAVE = 41213;            // JPEG settings
constexpr int IDH_VIDEO = 41215;           // video dialog
constexpr int IDH_SCALE = 42301;           // scale dialog

// The topic that the "Hilfe" button of dialog opens (kept on the dialog).
void SetHelpTopic(QWidget* dialog, int topic);
int HelpTopicOf(const QWidget* dialog);

// Shows the help at topic. asker is the window that asks; when it is a modal
// dialog, the help must stay usable beside it. Installed by the main frame;
// without a handler the general help command is sent instead.
using HelpHandler = std::function<void(QWidget* asker, int topic)>;
void SetHelpHandler(HelpHandler handler);
void ShowHelpTopic(QWidget* asker, int topic);
