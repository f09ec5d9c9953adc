#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes over the German string table, with a seam for tests.
#include <QString>
#include <functional>

enum class MessageIcon { None, Warning, Question, Information, Error };
enum class MessageButtons { Ok, YesNo, YesNoCancel };
enum class MessageResult { Ok, Yes, No, Cancel };

// Shows string stringId with the buttons and icon; the title is the program's name.
MessageResult AfxMessageBox(int stringId, MessageButtons buttons = MessageButtons::Ok,
                            MessageIcon icon = MessageIcon::Warning);
MessageResult AfxMessageBox(const QString& text, MessageButtons buttons = MessageButtons::Ok,
                            MessageIcon icon = MessageIcon::Warning);

// The same with details beneath the text (what caused a failure).
MessageResult AfxMessageBox(const QString& text, const QString& details, MessageButtons buttons = MessageButtons::Ok,
                            MessageIcon icon = MessageIcon::Warning);

// When a hook is set no box is shown: the hook gets the text and answers.
using MessageBoxHook = std::function<MessageResult(const QString& text, MessageButtons, MessageIcon)>;
void SetMessageBoxHook(MessageBoxHook hook);
// Sees the details of every box that has any, beside the hook above (for tests).
using MessageDetailsHook = std::function<void(const QString& details)>;
void SetMessageDetailsHook(MessageDetailsHook hook);
