#include "app/HelpWindow.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/ShellStrings.h"
#include "framework/FrameworkStrings.h"
#include "framework/StringTable.h"

namespace {

// Paragraphs of a help text: its line breaks start new paragraphs.
QString Paragraphs(const QString& text)
{
    QString html;
    for (const QString& paragraph : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        html += QLatin1String("<p>") + paragraph.toHtmlEscaped() + QLatin1String("</p>");
    return html;
}

}  // namespace

CHelpWindow::CHelpWindow(QWidget* parent) : QDialog(parent, Qt::Window)
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
    for (int section = 0; section < kHelpSectionCount; ++section) {
        const int headingId = IDS_HELP_FIRST_SECTION + 2 * section;
        html += QLatin1String("<h3>") + LoadQString(headingId).toHtmlEscaped() + QLatin1String("</h3>");
        html += Paragraphs(LoadQString(headingId + 1));
    }
    return html;
}
