// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/ProgressDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>
#include <cstdint>

#include "framework/Application.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "session/VideoOutcomeMessage.h"

// No Qt parent on purpose: a child widget would be disabled together with the
// owner it disables. The window is tied to its owner as a transient window instead.
ProgressDialog::ProgressDialog(int captionId)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_captionId(captionId != 0 ? captionId : kDefaultCaptionId)
{
    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    m_percent = new QLabel(LoadQString(IDS_PROGRESS_INITIAL_PERCENT), this);
    m_percent->setAlignment(Qt::AlignCenter);
    grid->addWidget(m_percent, 0, 0, 1, 3);
    m_bar = new QProgressBar(this);
    m_bar->setTextVisible(false);
    m_bar->setMinimumWidth(m_bar->fontMetrics().averageCharWidth() * 38);
    grid->addWidget(m_bar, 1, 0, 1, 3);
    m_cancel = new QPushButton(LoadQString(IDS_PROGRESS_CANCEL), this);
    // Not a default button: Enter must not cancel.
    m_cancel->setAutoDefault(false);
    m_cancel->setDefault(false);
    grid->addWidget(m_cancel, 2, 1);
    connect(m_cancel, &QPushButton::clicked, this, &ProgressDialog::reject);
}

ProgressDialog::~ProgressDialog()
{
    if (m_created)
        DestroyWindow();
    RestoreOwner();
}

void ProgressDialog::Create(QWidget* parent)
{
    m_owner = parent ? parent->window() : static_cast<QWidget*>(TheMainWindow());
    if (m_owner && m_owner->isEnabled()) {
        m_owner->setEnabled(false);
        m_ownerDisabled = true;
    }
    setWindowTitle(LoadQString(m_captionId));
    m_bar->setRange(m_lower, m_upper);
    m_bar->setValue(m_lower);
    winId();  // the platform window must exist to be tied to its owner
    if (m_owner && m_owner->windowHandle() && windowHandle())
        windowHandle()->setTransientParent(m_owner->windowHandle());
    show();
    m_created = true;
}

void ProgressDialog::DestroyWindow()
{
    RestoreOwner();
    hide();
    m_created = false;
}

void ProgressDialog::RestoreOwner()
{
    if (m_ownerDisabled && m_owner)
        m_owner->setEnabled(true);
    m_ownerDisabled = false;
}

void ProgressDialog::SetRange(int lower, int upper)
{
    m_lower = lower;
    m_upper = upper;
    m_bar->setRange(lower, upper);
}

void ProgressDialog::Show()
{
    Create(nullptr);
}

void ProgressDialog::SetPosition(int position)
{
    ProcessPendingEvents();
    // The bar stops at its ends; the text shows the computed percentage.
    m_bar->setValue(qBound(qMin(m_lower, m_upper), position, qMax(m_lower, m_upper)));
    const QString text = PercentText(position, m_lower, m_upper);
    if (text != m_percent->text())  // rewriting the same text would flicker
        m_percent->setText(text);
}

bool ProgressDialog::TakeCancelRequest()
{
    ProcessPendingEvents();
    const bool requested = m_cancelRequested;
    m_cancelRequested = false;
    return requested;
}

QString ProgressDialog::PercentText(int position, int lower, int upper)
{
    std::int64_t percent = 0;
    if (upper == lower)
        percent = position >= upper ? 100 : 0;
    else
        percent = (static_cast<std::int64_t>(position) - lower) * 100 / (static_cast<std::int64_t>(upper) - lower);
    if (percent != 100)
        percent %= 100;
    return QString::number(percent) + QLatin1Char('%');
}

void ProgressDialog::reject()
{
    m_cancelRequested = true;
}

QString ProgressDialog::ShownPercentText() const
{
    return m_percent->text();
}

int ProgressDialog::BarValue() const
{
    return m_bar->value();
}

void ProgressDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();  // the OK command does nothing here
        return;
    }
    QDialog::keyPressEvent(event);  // Escape arrives at reject()
}

void ProgressDialog::closeEvent(QCloseEvent* event)
{
    reject();
    event->ignore();
}

void ProgressDialog::ProcessPendingEvents()
{
    // Handles what is waiting, without waiting for more.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ProgressDialog::ReportFailure(VideoExportOutcome outcome)
{
    const MessageIcon icon = outcome == VideoExportOutcome::WriteFailed ? MessageIcon::None : MessageIcon::Warning;
    const int messageId = MessageIdForOutcome(outcome);
    // The message box belongs to the owner, and a disabled owner would disable
    // it too. The box is modal, so the owner stays out of reach meanwhile.
    const bool reenable = m_ownerDisabled && m_owner;
    if (reenable)
        m_owner->setEnabled(true);
    AfxMessageBox(messageId, MessageButtons::Ok, icon);
    if (reenable && m_owner)
        m_owner->setEnabled(false);
}
