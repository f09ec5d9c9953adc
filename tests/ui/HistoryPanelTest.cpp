// SPDX-License-Identifier: GPL-3.0-or-later
// The history in the editor: the command states follow the signals of the
// session, the clipboard and the panel without any polling, and the "Verlauf"
// panel lists the steps, marks the current one, greys those ahead and goes to
// a step that is clicked.
#include <QClipboard>
#include <QDockWidget>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include "MainFrameTestSupport.h"
#include "document/GrimassoDoc.h"
#include "framework/Application.h"
#include "framework/CommandIds.h"
#include "framework/DocManager.h"
#include "session/PictureSession.h"
#include "view/GrimassoView.h"
#include "view/HistoryPanel.h"

class HistoryPanelTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { UseFreshSettings(); }
    void init();
    void cleanup() { StopShell(m_app); }

    void actionStatesFollowTheirSignals();
    void panelListsTheStepsAndGoesToAClickedOne();

private:
    bool Enabled(int id) const { return m_frame->ActionsFor(id).constFirst()->isEnabled(); }

    std::unique_ptr<CGrimassoApp> m_app;
    CMainFrame* m_frame = nullptr;
    CGrimassoDoc* m_document = nullptr;
    PictureSession* m_session = nullptr;
};

void HistoryPanelTest::init()
{
    QGuiApplication::clipboard()->clear();
    m_app = StartShell(nullptr);
    QVERIFY(m_app);
    m_frame = m_app->MainFrame();
    CDocument* document = TheDocManager().OpenDocumentFile(QStringLiteral(GRIMASSO_SOURCE_DIR "/resources/astronaut.bmp"));
    m_document = qobject_cast<CGrimassoDoc*>(document);
    QVERIFY(m_document && m_document->GetSession());
    m_session = m_document->GetSession();
    QTRY_VERIFY(m_frame->ShowsDocumentMenu());
}

void HistoryPanelTest::actionStatesFollowTheirSignals()
{
    QTRY_VERIFY(!Enabled(ID_EDIT_UNDO));
    QVERIFY(!Enabled(ID_STEP_BACK) && !Enabled(ID_STEP_FORWARD));
    QVERIFY(!m_document->IsModified());

    // Changes made past the commands: only the session's signals can tell.
    m_session->Smooth();
    QTRY_VERIFY(Enabled(ID_EDIT_UNDO));
    QVERIFY(Enabled(ID_STEP_BACK) && !Enabled(ID_STEP_FORWARD));
    QVERIFY(m_document->IsModified());

    m_session->StepBack();
    QTRY_VERIFY(Enabled(ID_STEP_FORWARD));
    QVERIFY(!Enabled(ID_EDIT_UNDO) && !Enabled(ID_STEP_BACK));

    m_session->BeginRegion(ModeEnlarge, 200, 200, 30);
    QTRY_VERIFY(Enabled(ID_EDIT_UNDO));  // available once a gesture begins
    m_session->CancelRegion();
    QTRY_VERIFY(!Enabled(ID_EDIT_UNDO));
    QVERIFY(Enabled(ID_STEP_FORWARD));  // a cancelled gesture drops nothing

    QVERIFY(!Enabled(ID_EDIT_PASTE));
    QImage picture(5, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(picture);
    QTRY_VERIFY(Enabled(ID_EDIT_PASTE));

    QAction* history = m_frame->ActionsFor(ID_VIEW_HISTORY).constFirst();
    QVERIFY(!history->isChecked());
    m_frame->HistoryDock()->show();
    QTRY_VERIFY(history->isChecked());
}

void HistoryPanelTest::panelListsTheStepsAndGoesToAClickedOne()
{
    QVERIFY(m_frame->ExecuteCommand(ID_VIEW_HISTORY));
    QTRY_VERIFY(m_frame->HistoryDock()->isVisible());
    CHistoryPanel* panel = m_frame->HistoryPanel();
    m_session->Smooth();
    m_session->BeginExaggerate();
    m_session->PreviewExaggerate(150);
    m_session->CommitRegion();
    m_session->BeginRegion(ModeRotate, 250, 250, 60);
    m_session->PreviewRotate(90, 1);
    m_session->CommitRegion();

    auto names = [panel] {
        QStringList list;
        for (int row = 0; row < panel->count(); ++row)
            list << panel->item(row)->text();
        return list;
    };
    QTRY_COMPARE(names(), (QStringList{"Öffnen", "Glätten", "Übertreiben", "Drehen"}));
    QCOMPARE(panel->currentRow(), 3);
    QVERIFY(panel->item(3)->font().bold());

    const QRect stepOne = panel->visualItemRect(panel->item(1));
    QTest::mouseClick(panel->viewport(), Qt::LeftButton, {}, stepOne.center());
    QCOMPARE(m_session->History().Position(), 1u);
    QCOMPARE(panel->currentRow(), 1);
    const QColor ahead = panel->item(2)->foreground().color();
    QVERIFY(ahead != panel->item(1)->foreground().color());
    QCOMPARE(panel->item(3)->foreground().color(), ahead);

    // A new gesture drops the steps ahead.
    m_session->Smooth();
    QTRY_COMPARE(names(), (QStringList{"Öffnen", "Glätten", "Glätten"}));
    QCOMPARE(panel->currentRow(), 2);
}

QTEST_MAIN(HistoryPanelTest)
#include "HistoryPanelTest.moc"
