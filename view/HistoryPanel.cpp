// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/HistoryPanel.h"

#include <QPalette>

#include "document/GrimassoDoc.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"
#include "session/PictureSession.h"
#include "view/GrimassoView.h"

CHistoryPanel::CHistoryPanel(QWidget* parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("HistoryPanel"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemClicked, this, &CHistoryPanel::OnItemClicked);
}

void CHistoryPanel::ShowView(CGrimassoView* view)
{
    if (view == m_view && view)
        return;
    disconnect(m_stateConnection);
    m_view = view;
    if (view)
        m_stateConnection = connect(view->GetDocument(), &CGrimassoDoc::pictureStateChanged, this, &CHistoryPanel::Refresh);
    Refresh();
}

void CHistoryPanel::Refresh()
{
    clear();
    const PictureSession* session = m_view ? m_view->GetDocument()->GetSession() : nullptr;
    if (!session)
        return;
    const PictureHistory& history = session->History();
    const QBrush ahead = palette().brush(QPalette::Disabled, QPalette::Text);
    for (std::size_t row = 0; row <= history.Count(); ++row) {
        const int nameId = row == 0 ? IDS_HISTORY_OPEN : HistoryStepNameId(history.Step(row - 1).mode);
        auto* item = new QListWidgetItem(LoadQString(nameId), this);
        if (row > history.Position())
            item->setForeground(ahead);
        if (row == history.Position()) {
            QFont font = item->font();
            font.setBold(true);
            item->setFont(font);
        }
    }
    setCurrentRow(static_cast<int>(history.Position()));
}

void CHistoryPanel::OnItemClicked(QListWidgetItem* item)
{
    if (!m_view)
        return;
    m_view->GoToStep(static_cast<std::size_t>(row(item)));
    Refresh();
}
