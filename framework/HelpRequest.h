#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Help asked for from a window, usually a dialog's "Hilfe" button. A topic is
// the string id of a heading of the help text; 0 is the help as a whole.
// The headings' ids are named IDH_... in the string table: the dialogs open
// IDH_MOVE_POINT (move options), IDH_ENLARGE_SHRINK, IDH_ROTATE, IDH_SAVE (JPEG
// settings), IDH_VIDEO and IDH_SCALE.
#include <functional>

#include "resources/StringIds.h"

class QWidget;

// The topic that the "Hilfe" button of dialog opens (kept on the dialog).
void SetHelpTopic(QWidget* dialog, int topic);
int HelpTopicOf(const QWidget* dialog);

// Shows the help at topic. asker is the window that asks; when it is a modal
// dialog, the help must stay usable beside it. Installed by the main frame;
// without a handler the general help command is sent instead.
using HelpHandler = std::function<void(QWidget* asker, int topic)>;
void SetHelpHandler(HelpHandler handler);
void ShowHelpTopic(QWidget* asker, int topic);
