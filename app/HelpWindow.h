#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The German help: one window that explains opening pictures, the four tools,
// undo and smoothing, zoom, saving, scaling and the video, and the keys.
#include <QDialog>
#include <QPointer>

class QTextBrowser;

class CHelpWindow : public QDialog {
    Q_OBJECT
public:
    // home is the window the help belongs to when no dialog asks for it.
    explicit CHelpWindow(QWidget* home);

    // The help text as HTML, built from the string table; every section
    // heading is an anchor named after its string id.
    static QString HelpHtml();

    // Shows the window at the section whose heading has string id topic (0:
    // where it stands). When asker is a modal dialog, the window becomes its
    // companion until the dialog closes, so that it can be read, scrolled and
    // closed beside it; then it goes back to home.
    void ShowTopic(QWidget* asker, int topic);

    QTextBrowser* Browser() const { return m_pBrowser; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MoveTo(QWidget* owner);

    QTextBrowser* m_pBrowser;
    QPointer<QWidget> m_pHome;
    QPointer<QWidget> m_pOwner;  // the modal dialog the window stays usable beside
};
