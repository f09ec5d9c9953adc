// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HelpWindow.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QEvent>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "framework/StringTable.h"
#include "resources/StringIds.h"

namespace {

// Paragraphs of a help text: its line breaks start new paragraphs.
QString Paragraphs(const QString& text)
{
    QString html;
    for (const QString& paragraph : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        html += QLatin1String("<p>") + paragraph.toHtmlEscaped() + QLatin1String("</p>");
    return html;
}

// The sections in order, each a heading id whose text has the next id.
constexpr int kHelpSections[] = {IDH_WELCOME, IDH_MOVE_POINT, IDH_ENLARGE_SHRINK, IDH_ROTATE, IDH_UNDO_SMOOTH,
                                 IDH_EXAGGERATE, IDH_VIEW_ZOOM, IDH_SAVE, IDH_SCALE, IDH_VIDEO, IDH_VIDEO_TIMING,
                                 IDH_FACE, IDH_KEYS};

QString AnchorOf(int headingId)
{
    return QStringLiteral("section%1").arg(headingId);
}

}  // namespace

CHelpWindow::CHelpWindow(QWidget* home) : QDialog(home, Qt::Window), m_pHome(home)
{
    setWindowTitle(LoadQString(IDS_HELP_TITLE));
    m_pBrowser = new QTextBrowser(this);
    m_pBrowser->setOpenLinks(false);
    m_pBrowser->setHtml(HelpHtml());
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(LoadQString(IDS_BUTTON_OK), QDialogButtonBox::AcceptRole);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pBrowser);
    layout->addWidget(buttons);
    resize(560, 520);
}

QString CHelpWindow::HelpHtml()
{
    QString html = QLatin1String("<h2>") + LoadQString(IDS_HELP_TITLE).toHtmlEscaped() + QLatin1String("</h2>");
    for (const int headingId : kHelpSections) {
        html += QLatin1String("<h3><a name=\"") + AnchorOf(headingId) + QLatin1String("\"></a>") +
                LoadQString(headingId).toHtmlEscaped() + QLatin1String("</h3>");
        html += Paragraphs(LoadQString(headingId + 1));
    }
    return html;
}

void CHelpWindow::ShowTopic(QWidget* asker, int topic)
{
    // A modal dialog blocks every window but its own: while one asks, the
    // help is a window of that dialog.
    QWidget* dialog = asker ? asker->window() : nullptr;
    const bool besideModal = dialog && dialog != m_pHome && dialog == QApplication::activeModalWidget();
    MoveTo(besideModal ? dialog : m_pHome.data());
    show();
    raise();
    activateWindow();
    if (topic != 0)
        m_pBrowser->scrollToAnchor(AnchorOf(topic));
}

void CHelpWindow::MoveTo(QWidget* owner)
{
    if (!owner || parentWidget() == owner)
        return;
    if (m_pOwner)
        m_pOwner->removeEventFilter(this);
    const bool wasVisible = isVisible();
    const QRect place = geometry();
    setParent(owner, windowFlags());  // hides the window
    // A window on screen keeps its place; a new one is placed over its owner.
    if (wasVisible)
        setGeometry(place);
    m_pOwner = owner == m_pHome ? nullptr : owner;
    if (m_pOwner)
        m_pOwner->installEventFilter(this);
    if (wasVisible)
        show();
}

bool CHelpWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The dialog closes: the help stays open and belongs to home again, so it
    // does not go away with the dialog.
    if (watched == m_pOwner && event->type() == QEvent::Hide)
        MoveTo(m_pHome);
    return QDialog::eventFilter(watched, event);
}
