// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/DialogButtons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

#include "framework/HelpRequest.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"

namespace {
const char* const kOkName = "okButton";
}  // namespace

QBoxLayout* CreateDialogButtons(QDialog* dialog, Qt::Orientation orientation)
{
    auto* ok = new QPushButton(LoadQString(IDS_DIALOG_OK), dialog);
    ok->setObjectName(QLatin1String(kOkName));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    auto* cancel = new QPushButton(LoadQString(IDS_DIALOG_CANCEL), dialog);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* help = new QPushButton(LoadQString(IDS_DIALOG_HELP), dialog);
    help->setObjectName(QStringLiteral("helpButton"));
    help->setAutoDefault(false);
    // The help opens at the dialog's own section, usable while the dialog stays open.
    QObject::connect(help, &QPushButton::clicked, dialog, [dialog] { ShowHelpTopic(dialog, HelpTopicOf(dialog)); });

    auto* layout = new QBoxLayout(orientation == Qt::Horizontal ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    layout->addWidget(ok);
    layout->addWidget(cancel);
    if (orientation == Qt::Horizontal)
        layout->addStretch(1);
    layout->addWidget(help);
    return layout;
}

QPushButton* OkButtonOf(const QDialog* dialog)
{
    return dialog->findChild<QPushButton*>(QLatin1String(kOkName));
}
