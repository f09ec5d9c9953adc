// SPDX-License-Identifier: GPL-3.0-or-later
// The start screen (its picture, timing and key forwarding), the About box's
// placement, the command line that decides whether a start screen shows, and
// the window icon.
#include <QDialog>
#include <QFile>
#include <QMainWindow>
#include <QPushButton>
#include <QtTest>

#include "MainFrameTestSupport.h"
#include "app/AboutBox.h"
#include "app/CommandLineInfo.h"
#include "app/StartPicture.h"
#include "app/StartScreen.h"
#include "app/ToolbarIcons.h"
#include "framework/Application.h"

class StartScreenTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void startPictureIsReadWithOurBitmapReader();
    void brokenBitmapBytesGiveNoPicture();
    void showsOnlyWhenEnabledAndOnlyOnce();
    void goesAfterTwoSeconds();
    void mouseAndKeyPressesHideIt();
    void modalWindowHidesIt();
    void keyPressThatHidesItStillReachesTheProgram();
    void aboutBoxSitsCentredWithItsButtonOnThePicture();
    void aboutBoxClosesWithEscape();
    void commandLineDecidesAboutTheStartScreen();
    void windowIconIsTheInstalledIcon();
};

void StartScreenTest::initTestCase()
{
    UseFreshSettings();
}

void StartScreenTest::cleanup()
{
    StartScreen::Hide();
    StartScreen::Enable(false);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void StartScreenTest::startPictureIsReadWithOurBitmapReader()
{
    const QImage picture = LoadStartPicture();
    QCOMPARE(picture.size(), QSize(480, 360));
    // The same file read by Qt's own reader gives the same pixels.
    QFile file(QStringLiteral(GRIMASSO_SOURCE_DIR "/resources/startscreen.bmp"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(static_cast<unsigned char>(bytes[28]), 8);  // 8 bits a pixel, at most 256 colours
    const QImage reference = QImage::fromData(bytes, "BMP").convertToFormat(QImage::Format_RGB32);
    QCOMPARE(picture.convertToFormat(QImage::Format_RGB32), reference);
    QVERIFY(picture.pixel(0, 0) != picture.pixel(240, 180));  // upright and not blank
}

void StartScreenTest::brokenBitmapBytesGiveNoPicture()
{
    QVERIFY(ReadBitmapBytes(QByteArray()).isNull());
    QVERIFY(ReadBitmapBytes(QByteArray("BM this is not a bitmap")).isNull());
    QFile file(QStringLiteral(GRIMASSO_SOURCE_DIR "/resources/startscreen.bmp"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(ReadBitmapBytes(file.readAll().left(2000)).isNull());  // cut short
}

void StartScreenTest::showsOnlyWhenEnabledAndOnlyOnce()
{
    QWidget owner;
    StartScreen::Enable(false);
    StartScreen::Show(&owner);
    QVERIFY(!StartScreen::Current());

    StartScreen::Enable(true);
    StartScreen::Show(&owner);
    StartScreen* first = StartScreen::Current();
    QVERIFY(first);
    QVERIFY(first->isVisible());
    QCOMPARE(first->size(), QSize(480, 360));
    QVERIFY(first->windowFlags() & Qt::FramelessWindowHint);
    StartScreen::Show(&owner);
    QCOMPARE(StartScreen::Current(), first);
}

void StartScreenTest::goesAfterTwoSeconds()
{
    QWidget owner;
    StartScreen::Enable(true);
    StartScreen::Show(&owner);
    QPointer<StartScreen> screen = StartScreen::Current();
    QVERIFY(screen);
    QCOMPARE(StartScreen::kDisplayMilliseconds, 2000);
    const int remaining = screen->RemainingMilliseconds();
    QVERIFY2(remaining > 1500 && remaining <= StartScreen::kDisplayMilliseconds + 10, qPrintable(QString::number(remaining)));
    QTest::qWait(1200);
    QCOMPARE(StartScreen::Current(), screen.data());
    QTRY_VERIFY_WITH_TIMEOUT(!StartScreen::Current(), 2000);
    QTRY_VERIFY(!screen);  // the window is gone, not just hidden
}

void StartScreenTest::mouseAndKeyPressesHideIt()
{
    QWidget owner;
    owner.show();
    StartScreen::Enable(true);
    StartScreen::Show(&owner);
    QVERIFY(StartScreen::Current());
    QTest::mouseMove(&owner, QPoint(5, 5));  // moving is no press
    QVERIFY(StartScreen::Current());
    QTest::mouseClick(StartScreen::Current(), Qt::RightButton);
    QVERIFY(!StartScreen::Current());

    StartScreen::Show(&owner);
    QVERIFY(StartScreen::Current());
    QTest::keyClick(&owner, Qt::Key_Space);
    QVERIFY(!StartScreen::Current());
}

void StartScreenTest::modalWindowHidesIt()
{
    QWidget owner;
    owner.show();
    StartScreen::Enable(true);
    StartScreen::Show(&owner);
    QWidget modeless(&owner, Qt::Dialog);
    modeless.show();
    QVERIFY(StartScreen::Current());
    // The progress of a picture opened from the command line must not open under the picture.
    QDialog progress(&owner);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.show();
    QVERIFY(!StartScreen::Current());
}

void StartScreenTest::keyPressThatHidesItStillReachesTheProgram()
{
    // The whole editor: its start screen is up right after start-up.
    auto app = std::make_unique<CGrimassoApp>();
    QVERIFY(app->InitInstance({}));
    QVERIFY(StartScreen::IsEnabled());
    QVERIFY(StartScreen::Current());
    int dialogs = 0;
    SetFileDialogHook([&dialogs](bool, const QString&, const QString&, const QString&) {
        ++dialogs;
        return QString();
    });
    QTest::keyClick(StartScreen::Current(), Qt::Key_O, Qt::ControlModifier);
    QVERIFY(!StartScreen::Current());
    QCOMPARE(dialogs, 1);  // Ctrl+O still opened the open dialog
    SetFileDialogHook(nullptr);
    StopShell(app);
}

void StartScreenTest::aboutBoxSitsCentredWithItsButtonOnThePicture()
{
    QCOMPARE(AboutBox::PlacementOnScreen(QSize(1024, 768), QSize(480, 360)), QPoint(272, 204));
    // Each half is truncated on its own.
    QCOMPARE(AboutBox::PlacementOnScreen(QSize(1025, 769), QSize(481, 361)), QPoint(272, 204));
    QCOMPARE(AboutBox::PlacementOnScreen(QSize(400, 300), QSize(480, 360)), QPoint(-40, -30));
    QCOMPARE(AboutBox::PlacementOnScreen(QSize(401, 301), QSize(480, 361)), QPoint(-40, -30));

    AboutBox box;
    QVERIFY(box.HasPicture());
    QCOMPARE(box.size(), QSize(480, 360));
    QVERIFY(box.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(box.OkButton()->pos(), QPoint(250, 330));
    QCOMPARE(box.OkButton()->text(), QStringLiteral("OK"));
    QVERIFY(box.OkButton()->isDefault());
    QVERIFY(box.rect().contains(box.OkButton()->geometry()));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(box.pos(), screen.topLeft() + AboutBox::PlacementOnScreen(screen.size(), QSize(480, 360)));
}

void StartScreenTest::aboutBoxClosesWithEscape()
{
    AboutBox box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::keyClick(&box, Qt::Key_Escape);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), static_cast<int>(QDialog::Rejected));

    box.show();
    QTest::mouseClick(box.OkButton(), Qt::LeftButton);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), static_cast<int>(QDialog::Accepted));
}

void StartScreenTest::commandLineDecidesAboutTheStartScreen()
{
    CCommandLineInfo info = ParseCommandLine({});
    QCOMPARE(info.m_nShellCommand, CCommandLineInfo::FileNew);
    QVERIFY(info.m_bShowSplash);

    info = ParseCommandLine({QStringLiteral("bild.jpg")});
    QCOMPARE(info.m_nShellCommand, CCommandLineInfo::FileOpen);
    QCOMPARE(info.m_strFileName, QStringLiteral("bild.jpg"));
    QVERIFY(info.m_bShowSplash);

    info = ParseCommandLine({QStringLiteral("-p"), QStringLiteral("bild.jpg")});
    QCOMPARE(info.m_nShellCommand, CCommandLineInfo::FilePrint);
    QCOMPARE(info.m_strFileName, QStringLiteral("bild.jpg"));
    QVERIFY(!info.m_bShowSplash);

    // After "--" a name that looks like an option is a file.
    info = ParseCommandLine({QStringLiteral("--print"), QStringLiteral("--"), QStringLiteral("-seltsam.png")});
    QCOMPARE(info.m_nShellCommand, CCommandLineInfo::FilePrint);
    QCOMPARE(info.m_strFileName, QStringLiteral("-seltsam.png"));

    info = ParseCommandLine({QStringLiteral("--print")});
    QCOMPARE(info.m_nShellCommand, CCommandLineInfo::Invalid);
    QCOMPARE(info.m_strError, QStringLiteral("Die Option --print verlangt einen Dateinamen."));
    info = ParseCommandLine({QStringLiteral("a.bmp"), QStringLiteral("b.bmp")});
    QCOMPARE(info.m_nShellCommand, CCommandLineInfo::Invalid);
    info = ParseCommandLine({QStringLiteral("--farbe")});
    QCOMPARE(info.m_strError, QStringLiteral("Unbekannte Option: --farbe"));
    QCOMPARE(ParseCommandLine({QStringLiteral("-h")}).m_nShellCommand, CCommandLineInfo::ShowUsage);

    // The print command line shows no start screen and ends the program; the
    // file that cannot be opened is reported.
    QStringList messages;
    SetMessageBoxHook([&messages](const QString& text, MessageButtons, MessageIcon) {
        messages.append(text);
        return MessageResult::Ok;
    });
    auto app = std::make_unique<CGrimassoApp>();
    QVERIFY(!app->InitInstance({QStringLiteral("--print"), QStringLiteral("/nicht/da.bad")}));
    QCOMPARE(messages, QStringList{QStringLiteral("Beim Laden der Datei ist ein Fehler aufgetreten")});
    QVERIFY(!StartScreen::IsEnabled());
    QVERIFY(!StartScreen::Current());
    QCOMPARE(app->ExitCode(), 1);
    StopShell(app);
}

QTEST_MAIN(StartScreenTest)
#include "StartScreenTest.moc"

void StartScreenTest::windowIconIsTheInstalledIcon()
{
    // Every size the desktop gets is embedded, pixel for pixel (compared
    // premultiplied, as a pixmap holds them).
    const QIcon icon = ApplicationIcon();
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString installed = QStringLiteral(GRIMASSO_SOURCE_DIR "/resources/icons/grimasso-%1.png").arg(size);
        const QImage expected = QImage(installed).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QVERIFY2(!expected.isNull(), qPrintable(installed));
        const QImage shown = icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(shown.size(), QSize(size, size));
        QVERIFY2(shown == expected, qPrintable(installed));
    }
}
