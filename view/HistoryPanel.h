#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The "Verlauf" panel: the steps of the active picture by name, from "Öffnen"
// on. The state the picture shows is marked, the steps ahead of it (taken
// back, ready to come back) are grey, and a click on a step goes there.
#include <QListWidget>
#include <QMetaObject>
#include <QPointer>

class CGrimassoView;

class CHistoryPanel : public QListWidget {
    Q_OBJECT
public:
    explicit CHistoryPanel(QWidget* parent = nullptr);

    // Follows the picture of view (null: none) until another view is shown.
    void ShowView(CGrimassoView* view);
    // Lists the steps afresh.
    void Refresh();

private:
    void OnItemClicked(QListWidgetItem* item);

    QPointer<CGrimassoView> m_view;
    QMetaObject::Connection m_stateConnection;
};
