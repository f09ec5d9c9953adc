#pragma once
// The German help: one window that explains opening pictures, the four tools,
// undo and smoothing, zoom, saving and the video, and the keys.
#include <QDialog>

class QTextBrowser;

class CHelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit CHelpWindow(QWidget* parent = nullptr);

    // The help text as HTML, built from the string table.
    static QString HelpHtml();

private:
    QTextBrowser* m_pBrowser;
};
