#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The button row of the editor's small dialogs: "OK" (the default button,
// left unconnected so that the dialog can validate first), "Abbrechen" and
// "Hilfe" (the application's help at the section SetHelpTopic chose for the
// dialog, see framework/HelpRequest.h).
#include <Qt>

class QBoxLayout;
class QDialog;
class QPushButton;

QBoxLayout* CreateDialogButtons(QDialog* dialog, Qt::Orientation orientation);
// The OK button created by CreateDialogButtons for dialog.
QPushButton* OkButtonOf(const QDialog* dialog);
