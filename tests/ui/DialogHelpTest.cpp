// SPDX-License-Identifier: GPL-3.0-or-later
// The "Hilfe" button of the editor's dialogs: the help window opens at the
// dialog's section and can be scrolled and closed while the modal dialog
// stays open. Input goes through the window system, which withholds it from
// windows a modal dialog blocks.
#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QImage>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>

#include "DocumentTestSupport.h"
#include "MainFrameTestSupport.h"
#include "app/HelpWindow.h"
#include "framework/HelpRequest.h"
#include "framework/StringTable.h"
#include "view/EnlargeDialog.h"
#include "view/FaceCaricatureDialog.h"
#include "view/RotateDialog.h"

namespace {

// A new picture from the clipboard: unlike an opened file it leaves the
// recent-file list, which other test programs read, alone.
bool PasteNewPicture(CMainFrame* frame)
{
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QGuiApplication::clipboard()->setImage(picture);
    return frame->ExecuteCommand(ID_EDIT_PASTE);
}

// A left click at pos of widget, delivered to its top-level window as the
// window system would deliver it.
void ClickThroughWindow(QWidget* widget, QPoint pos)
{
    QWidget* top = widget->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, widget->mapTo(top, pos));
}

// True when the heading with this text lies wholly inside the browser's view.
bool HeadingInView(QTextBrowser* browser, const QString& heading)
{
    const int top = browser->verticalScrollBar()->value();
    const int bottom = top + browser->viewport()->height();
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next()) {
        if (block.text() != heading)
            continue;
        const QRectF rect = browser->document()->documentLayout()->blockBoundingRect(block);
        return rect.top() >= top && rect.bottom() <= bottom;
    }
    return false;
}

// What the help window allowed while the dialog was open.
struct HelpUse {
    bool opened = false;
    bool atSection = false;
    bool atStart = false;
    bool scrolled = false;
    bool closed = false;
};

}  // namespace

class DialogHelpTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void helpIsUsableBesideEachDialog_data();
    void helpIsUsableBesideEachDialog();
    void helpStaysOpenWhenTheDialogCloses();

private:
    // Opens a dialog with open, presses its Hilfe button and tries the help
    // window; the dialog is then cancelled.
    HelpUse UseHelpFrom(const std::function<void()>& open, int topic);

    std::unique_ptr<CGrimassoApp> m_app;
    CMainFrame* m_frame = nullptr;
};

void DialogHelpTest::initTestCase()
{
    // Test settings, left as they are: these tests add nothing to them.
    QStandardPaths::setTestModeEnabled(true);
}

void DialogHelpTest::init()
{
    m_app = StartShell(nullptr);
    QVERIFY(m_app);
    m_frame = m_app->MainFrame();
    QVERIFY(PasteNewPicture(m_frame));
    QTRY_VERIFY(m_frame->ShowsDocumentMenu());
}

void DialogHelpTest::cleanup()
{
    StopShell(m_app);
    m_frame = nullptr;
}

HelpUse DialogHelpTest::UseHelpFrom(const std::function<void()>& open, int topic)
{
    HelpUse use;
    doctest::OnNextModalDialog([this, topic, &use](QDialog* dialog) {
        auto* helpButton = dialog->findChild<QPushButton*>(QStringLiteral("helpButton"));
        if (helpButton)
            helpButton->click();
        CHelpWindow* help = m_frame->HelpWindow();
        use.opened = help && help->isVisible() && dialog->isVisible();
        if (use.opened) {
            QTest::qWait(50);
            QTextBrowser* browser = help->Browser();
            use.atSection = HeadingInView(browser, LoadQString(topic));
            use.atStart = HeadingInView(browser, LoadQString(41201));
            // A click on the scroll bar just below its upper arrow pages up.
            QScrollBar* bar = browser->verticalScrollBar();
            const int before = bar->value();
            ClickThroughWindow(bar, QPoint(bar->width() / 2, bar->width() + 3));
            use.scrolled = bar->value() < before;
            auto* ok = help->findChild<QPushButton*>();
            if (ok)
                ClickThroughWindow(ok, ok->rect().center());
            use.closed = !m_frame->HelpWindow() || !m_frame->HelpWindow()->isVisible();
        }
        dialog->reject();
    });
    open();
    return use;
}

void DialogHelpTest::helpIsUsableBesideEachDialog_data()
{
    QTest::addColumn<int>("dialog");
    QTest::addColumn<int>("topic");
    QTest::newRow("enlarge") << 0 << IDH_ENLARGE_SHRINK;
    QTest::newRow("rotate") << 1 << IDH_ROTATE;
    QTest::newRow("move options") << 2 << IDH_MOVE_POINT;
    QTest::newRow("scale") << 3 << IDH_SCALE;
    QTest::newRow("video") << 4 << IDH_VIDEO;
    QTest::newRow("face") << 5 << IDH_FACE;
}

void DialogHelpTest::helpIsUsableBesideEachDialog()
{
    QFETCH(int, dialog);
    QFETCH(int, topic);
    const std::function<void()> openers[] = {
        [this] { CEnlargeDialog(nullptr, m_frame).exec(); },
        [this] { CRotateDialog(nullptr, m_frame).exec(); },
        [this] { m_frame->ExecuteCommand(ID_MOVE_OPTIONS); },
        [this] { m_frame->ExecuteCommand(ID_SCALE_IMAGE); },
        [this] { m_frame->ExecuteCommand(ID_CREATE_VIDEO); },
        [this] { CFaceCaricatureDialog(1, {}, m_frame).exec(); },
    };
    const HelpUse use = UseHelpFrom(openers[dialog], topic);
    QVERIFY2(use.opened, "Hilfe opens the help window");
    QVERIFY2(use.atSection, "the help shows the dialog's section");
    QVERIFY2(!use.atStart, "the help is scrolled to that section");
    QVERIFY2(use.scrolled, "the help window scrolls while the dialog is open");
    QVERIFY2(use.closed, "the help window closes while the dialog is open");
    QVERIFY(!QApplication::activeModalWidget());
}

void DialogHelpTest::helpStaysOpenWhenTheDialogCloses()
{
    doctest::OnNextModalDialog([](QDialog* dialog) {
        if (auto* helpButton = dialog->findChild<QPushButton*>(QStringLiteral("helpButton")))
            helpButton->click();
        dialog->reject();
    });
    m_frame->ExecuteCommand(ID_SCALE_IMAGE);
    CHelpWindow* help = m_frame->HelpWindow();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QCOMPARE(help->parentWidget(), m_frame);
    QVERIFY(HeadingInView(help->Browser(), LoadQString(IDH_SCALE)));

    // The menu's help shows the same window where it stands.
    QVERIFY(m_frame->ExecuteCommand(ID_HELP));
    QCOMPARE(m_frame->HelpWindow(), help);
    QVERIFY(HeadingInView(help->Browser(), LoadQString(IDH_SCALE)));
}

QTEST_MAIN(DialogHelpTest)
#include "DialogHelpTest.moc"
