// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/MoveOptionsDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "framework/HelpRequest.h"
#include "framework/StringTable.h"
#include "framework/DialogButtons.h"
#include "framework/NumberField.h"
#include "resources/StringIds.h"

CMoveOptionsDialog::CMoveOptionsDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(LoadQString(IDS_MOVE_OPTIONS_TITLE));
    SetHelpTopic(this, IDH_MOVE_POINT);
    m_radiusField = CreateDigitsField(this, QStringLiteral("radiusField"));
    auto* label = new QLabel(LoadQString(IDS_MOVE_RADIUS_LABEL));
    label->setBuddy(m_radiusField);

    auto* fieldRow = new QHBoxLayout;
    fieldRow->addWidget(label);
    fieldRow->addWidget(m_radiusField);
    fieldRow->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fieldRow);
    layout->addLayout(CreateDialogButtons(this, Qt::Horizontal));

    connect(OkButtonOf(this), &QPushButton::clicked, this, &CMoveOptionsDialog::OnOK);
}

int CMoveOptionsDialog::DoModal()
{
    OnInitDialog();
    return exec();
}

void CMoveOptionsDialog::OnInitDialog()
{
    m_radiusField->setText(QString::number(m_nRadius));
    m_radiusField->setFocus(Qt::OtherFocusReason);
    m_radiusField->selectAll();
}

void CMoveOptionsDialog::OnOK()
{
    std::uint32_t radius = 0;
    if (!ReadUnsignedInRange(m_radiusField, kMinRadius, kMaxRadius, radius))
        return;
    m_nRadius = radius;
    accept();
}
