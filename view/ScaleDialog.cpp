// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/ScaleDialog.h"

#include <QCheckBox>
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

namespace {

// trunc(value * (numerator / denominator) + 0.5), the quotient formed first.
std::int64_t ScaledInRatio(std::uint32_t value, std::uint32_t numerator, std::uint32_t denominator)
{
    const double ratio = static_cast<double>(numerator) / static_cast<double>(denominator);
    return static_cast<std::int64_t>(static_cast<double>(value) * ratio + 0.5);
}
}  // namespace

CScaleDialog::CScaleDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(LoadQString(IDS_SCALE_TITLE));
    SetHelpTopic(this, IDH_SCALE);
    m_editWidth = CreateDigitsField(this, QStringLiteral("widthField"));
    m_editHeight = CreateDigitsField(this, QStringLiteral("heightField"));
    m_checkKeepAspect = new QCheckBox(LoadQString(IDS_SCALE_KEEP_ASPECT), this);
    m_checkKeepAspect->setObjectName(QStringLiteral("keepAspectCheck"));

    auto* widthLabel = new QLabel(LoadQString(IDS_SCALE_WIDTH_LABEL));
    widthLabel->setBuddy(m_editWidth);
    auto* heightLabel = new QLabel(LoadQString(IDS_SCALE_HEIGHT_LABEL));
    heightLabel->setBuddy(m_editHeight);

    auto* grid = new QGridLayout;
    grid->addWidget(widthLabel, 0, 0);
    grid->addWidget(m_editWidth, 0, 1);
    grid->addWidget(new QLabel(LoadQString(IDS_SCALE_PIXELS)), 0, 2);
    grid->addWidget(m_checkKeepAspect, 0, 3);
    grid->addWidget(heightLabel, 1, 0);
    grid->addWidget(m_editHeight, 1, 1);
    grid->addWidget(new QLabel(LoadQString(IDS_SCALE_PIXELS)), 1, 2);
    grid->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(CreateDialogButtons(this, Qt::Horizontal));

    // Tab order: width, height, the buttons, then the check box.
    QPushButton* ok = OkButtonOf(this);
    setTabOrder(m_editWidth, m_editHeight);
    setTabOrder(m_editHeight, ok);
    setTabOrder(findChild<QPushButton*>(QStringLiteral("helpButton")), m_checkKeepAspect);

    connect(ok, &QPushButton::clicked, this, &CScaleDialog::OnOK);
    connect(m_editWidth, &QLineEdit::textChanged, this, &CScaleDialog::OnChangeWidth);
    connect(m_editHeight, &QLineEdit::textChanged, this, &CScaleDialog::OnChangeHeight);
    connect(m_checkKeepAspect, &QCheckBox::clicked, this, &CScaleDialog::OnKeepAspectClicked);
}

int CScaleDialog::DoModal()
{
    OnInitDialog();
    return exec();
}

void CScaleDialog::OnInitDialog()
{
    // The fields come first, so that filling them cannot trigger the coupling.
    m_checkKeepAspect->setChecked(false);
    m_editHeight->setText(QString::number(m_nHeight));
    m_editWidth->setText(QString::number(m_nWidth));
    m_checkKeepAspect->setChecked(m_bKeepAspect);
    m_editWidth->setFocus(Qt::OtherFocusReason);
    m_editWidth->selectAll();
}

void CScaleDialog::OnOK()
{
    std::uint32_t height = 0;
    std::uint32_t width = 0;
    if (!ReadUnsignedInRange(m_editHeight, kMinSize, kMaxSize, height))
        return;
    if (!ReadUnsignedInRange(m_editWidth, kMinSize, kMaxSize, width))
        return;
    m_nHeight = height;
    m_nWidth = width;
    m_bKeepAspect = m_checkKeepAspect->isChecked();
    accept();
}

void CScaleDialog::OnChangeWidth()
{
    if (m_bUpdating || !m_checkKeepAspect->isChecked())
        return;
    SetHeightFromWidth();
}

void CScaleDialog::OnChangeHeight()
{
    if (m_bUpdating || !m_checkKeepAspect->isChecked() || m_nWidth == 0 || m_nHeight == 0)
        return;
    const std::uint32_t height = DecimalValueAtStart(m_editHeight->text());
    WriteCoupled(m_editWidth, ScaledInRatio(height, m_nWidth, m_nHeight));
}

void CScaleDialog::OnKeepAspectClicked()
{
    if (m_checkKeepAspect->isChecked())
        SetHeightFromWidth();
}

void CScaleDialog::SetHeightFromWidth()
{
    if (m_nWidth == 0 || m_nHeight == 0)
        return;  // no ratio to keep
    const std::uint32_t width = DecimalValueAtStart(m_editWidth->text());
    WriteCoupled(m_editHeight, ScaledInRatio(width, m_nHeight, m_nWidth));
}

void CScaleDialog::WriteCoupled(QLineEdit* edit, std::int64_t value)
{
    m_bUpdating = true;
    edit->setText(QString::number(value));
    m_bUpdating = false;
}
