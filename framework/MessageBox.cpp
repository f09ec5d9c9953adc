// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/MessageBox.h"

#include <QApplication>
#include <QCursor>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>

#include "framework/Application.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"

namespace {

MessageBoxHook g_hook;
MessageDetailsHook g_detailsHook;

QMessageBox::Icon ToQtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// A wait cursor set by the operation that failed must not hide the arrow
// while the user answers.
class ArrowCursorWhileAsking {
public:
    ArrowCursorWhileAsking() : m_active(QGuiApplication::overrideCursor() != nullptr)
    {
        if (m_active)
            QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    }
    ~ArrowCursorWhileAsking()
    {
        if (m_active)
            QGuiApplication::restoreOverrideCursor();
    }

private:
    bool m_active;
};

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook)
{
    g_hook = std::move(hook);
}

MessageResult AfxMessageBox(int stringId, MessageButtons buttons, MessageIcon icon)
{
    return AfxMessageBox(LoadQString(stringId), buttons, icon);
}

void SetMessageDetailsHook(MessageDetailsHook hook)
{
    g_detailsHook = std::move(hook);
}

MessageResult AfxMessageBox(const QString& text, MessageButtons buttons, MessageIcon icon)
{
    return AfxMessageBox(text, QString(), buttons, icon);
}

MessageResult AfxMessageBox(const QString& text, const QString& details, MessageButtons buttons, MessageIcon icon)
{
    if (g_detailsHook && !details.isEmpty())
        g_detailsHook(details);
    if (g_hook)
        return g_hook(text, buttons, icon);

    // Over an open modal dialog, else over the main window; never over a
    // short-lived window such as the start screen, which could take the box with it.
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent)
        parent = TheMainWindow();
    QMessageBox box(ToQtIcon(icon), LoadQString(AFX_IDS_APP_TITLE), text, QMessageBox::NoButton, parent);
    box.setInformativeText(details);
    // The button texts come from the string table, so the box is German
    // whatever translations Qt itself has.
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* ok = nullptr;
    switch (buttons) {
    case MessageButtons::Ok:
        ok = box.addButton(LoadQString(IDS_BUTTON_OK), QMessageBox::AcceptRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
        break;
    case MessageButtons::YesNoCancel:
        yes = box.addButton(LoadQString(IDS_BUTTON_YES), QMessageBox::YesRole);
        no = box.addButton(LoadQString(IDS_BUTTON_NO), QMessageBox::NoRole);
        cancel = box.addButton(LoadQString(IDS_BUTTON_CANCEL), QMessageBox::RejectRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(cancel);
        break;
    case MessageButtons::YesNo:
        yes = box.addButton(LoadQString(IDS_BUTTON_YES), QMessageBox::YesRole);
        no = box.addButton(LoadQString(IDS_BUTTON_NO), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        break;
    }
    const ArrowCursorWhileAsking arrow;
    box.exec();
    const QAbstractButton* clicked = box.clickedButton();
    if (buttons == MessageButtons::Ok)
        return MessageResult::Ok;
    if (clicked == yes)
        return MessageResult::Yes;
    if (clicked == no)
        return MessageResult::No;
    return buttons == MessageButtons::YesNo ? MessageResult::No : MessageResult::Cancel;
}
