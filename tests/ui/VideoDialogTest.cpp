// SPDX-License-Identifier: GPL-3.0-or-later
// The video dialog's checks on OK, its path button, and the video command that
// runs dialog, export and messages together.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QFileDialog>
#include <csignal>
#include <sys/resource.h>
#include <functional>
#include <vector>

#include "deform/WarpField.h"
#include "framework/Application.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "image/PixelBuffer.h"
#include "session/PictureSession.h"
#include "view/ProgressDialog.h"
#include "view/VideoCommand.h"
#include "view/VideoDialog.h"

namespace {

struct ShownMessage {
    QString text;
    MessageButtons buttons;
    MessageIcon icon;
};

// Records every message box and answers with answer.
class MessageRecorder {
public:
    explicit MessageRecorder(MessageResult answer = MessageResult::Ok)
    {
        SetMessageBoxHook([this, answer](const QString& text, MessageButtons buttons, MessageIcon icon) {
            shown.push_back({text, buttons, icon});
            return answer;
        });
    }
    ~MessageRecorder() { SetMessageBoxHook(nullptr); }
    std::vector<ShownMessage> shown;
};

void FillAndConfirm(VideoDialog& dialog, const QString& duration, const QString& rate, const QString& path)
{
    dialog.DurationEdit()->setText(duration);
    dialog.FramesPerSecondEdit()->setText(rate);
    dialog.PathEdit()->setText(path);
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
}

std::unique_ptr<PictureSession> SmallPicture()
{
    constexpr int width = 5, height = 3, rowBytes = 16;
    PixelBuffer pixels = PixelBuffer::Allocate(rowBytes * height, true);
    for (int i = 0; i < rowBytes * height; ++i)
        pixels.data()[i] = static_cast<std::uint8_t>(i * 7);
    return std::make_unique<PictureSession>(width, height, std::move(pixels));
}

// Runs action on the video dialog once the command has opened it.
void WhenVideoDialogOpens(std::function<void(VideoDialog&)> action)
{
    QTimer::singleShot(0, [action] {
        auto* dialog = qobject_cast<VideoDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        action(*dialog);
    });
}

// A picture whose frames take about 120 kB each.
std::unique_ptr<PictureSession> LargerPicture()
{
    constexpr int width = 200, height = 200, rowBytes = 600;
    PixelBuffer pixels = PixelBuffer::Allocate(rowBytes * height, true);
    for (int i = 0; i < rowBytes * height; ++i)
        pixels.data()[i] = static_cast<std::uint8_t>(i * 13 + i / rowBytes);
    return std::make_unique<PictureSession>(width, height, std::move(pixels));
}

bool ProgressWindowIsUp()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<ProgressDialog*>(window) && window->isVisible())
            return true;
    return false;
}

// Files of this process may grow to limit bytes; writes beyond fail (as on a
// full disk) instead of raising a signal. Restored on destruction.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = m_saved;
        lower.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int);
};

}  // namespace

class VideoDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString InDir(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void showsTheCallersFieldsWhenOpened()
    {
        VideoDialog dialog;
        QCOMPARE(dialog.durationMs, 0u);
        QCOMPARE(dialog.framesPerSecond, 0u);
        QVERIFY(dialog.path.isEmpty());
        dialog.durationMs = 2000;
        dialog.framesPerSecond = 7;
        dialog.path = QStringLiteral("movie.avi");
        dialog.show();
        QCOMPARE(dialog.DurationEdit()->text(), QStringLiteral("2000"));
        QCOMPARE(dialog.FramesPerSecondEdit()->text(), QStringLiteral("7"));
        QCOMPARE(dialog.PathEdit()->text(), QStringLiteral("movie.avi"));
    }

    void numbersOutsideTheirRangesAreRefusedInOrder_data()
    {
        QTest::addColumn<QString>("duration");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("failing");  // "duration", "rate" or "" for accepted
        QTest::addColumn<QString>("range");
        QTest::newRow("duration 0") << "0" << "7" << "duration" << "1 und 1000000";
        QTest::newRow("duration 1000001") << "1000001" << "7" << "duration" << "1 und 1000000";
        QTest::newRow("duration beyond 64 bits") << "99999999999999999999999" << "7" << "duration" << "1 und 1000000";
        QTest::newRow("duration empty") << "" << "7" << "duration" << "1 und 1000000";
        QTest::newRow("rate 0") << "2000" << "0" << "rate" << "1 und 50";
        QTest::newRow("rate 51") << "2000" << "51" << "rate" << "1 und 50";
        QTest::newRow("both wrong: duration first") << "0" << "51" << "duration" << "1 und 1000000";
        QTest::newRow("1000000 and 50") << "1000000" << "50" << "" << "";
        QTest::newRow("1 and 1") << "1" << "1" << "" << "";
    }
    void numbersOutsideTheirRangesAreRefusedInOrder()
    {
        QFETCH(QString, duration);
        QFETCH(QString, rate);
        QFETCH(QString, failing);
        QFETCH(QString, range);
        MessageRecorder messages;
        VideoDialog dialog;
        dialog.show();
        FillAndConfirm(dialog, duration, rate, InDir(QStringLiteral("new.avi")));
        if (failing.isEmpty()) {
            QVERIFY(messages.shown.empty());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.durationMs, duration.toUInt());
            QCOMPARE(dialog.framesPerSecond, rate.toUInt());
            QCOMPARE(dialog.path, InDir(QStringLiteral("new.avi")));
            return;
        }
        QVERIFY(dialog.isVisible());
        QCOMPARE(messages.shown.size(), std::size_t{1});
        QVERIFY2(messages.shown[0].text.contains(range), qPrintable(messages.shown[0].text));
        QCOMPARE(messages.shown[0].buttons, MessageButtons::Ok);
        QLineEdit* expected = failing == QLatin1String("duration") ? dialog.DurationEdit() : dialog.FramesPerSecondEdit();
        QCOMPARE(dialog.focusWidget(), expected);
        QCOMPARE(expected->selectedText(), expected->text());
    }

    void emptyPathIsRefusedWithItsOwnMessage()
    {
        MessageRecorder messages;
        VideoDialog dialog;
        dialog.show();
        FillAndConfirm(dialog, QStringLiteral("2000"), QStringLiteral("7"), QString());
        QVERIFY(dialog.isVisible());
        QCOMPARE(messages.shown.size(), std::size_t{1});
        QCOMPARE(messages.shown[0].text, LoadQString(61459));
        QCOMPARE(messages.shown[0].text, QStringLiteral("Bitte geben Sie mehr Zeichen ein"));
        QCOMPARE(messages.shown[0].icon, MessageIcon::None);
        QCOMPARE(dialog.focusWidget(), dialog.PathEdit());
    }

    void anExistingFileIsReplacedOnlyWhenTheUserAgrees()
    {
        const QString existing = InDir(QStringLiteral("old.avi"));
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("old video");
        file.close();
        {
            MessageRecorder messages(MessageResult::No);
            VideoDialog dialog;
            dialog.show();
            FillAndConfirm(dialog, QStringLiteral("2000"), QStringLiteral("7"), existing);
            QVERIFY(dialog.isVisible());
            QVERIFY(QFile::exists(existing));
            QCOMPARE(messages.shown.size(), std::size_t{1});
            QCOMPARE(messages.shown[0].text, LoadQString(61460));
            QCOMPARE(messages.shown[0].buttons, MessageButtons::YesNo);
            QCOMPARE(messages.shown[0].icon, MessageIcon::Question);
            // Cancelling afterwards asks nothing and deletes nothing.
            dialog.reject();
            QCOMPARE(messages.shown.size(), std::size_t{1});
            QVERIFY(QFile::exists(existing));
        }
        {
            MessageRecorder messages(MessageResult::Yes);
            VideoDialog dialog;
            dialog.show();
            FillAndConfirm(dialog, QStringLiteral("2000"), QStringLiteral("7"), existing);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(messages.shown.size(), std::size_t{1});
            // Kept until the finished video takes its place.
            QVERIFY(QFile::exists(existing));
        }
        {
            // A folder of that name is no file to overwrite: no question, nothing removed.
            MessageRecorder messages(MessageResult::Yes);
            QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder.avi")));
            VideoDialog dialog;
            dialog.show();
            FillAndConfirm(dialog, QStringLiteral("2000"), QStringLiteral("7"), InDir(QStringLiteral("folder.avi")));
            QVERIFY(messages.shown.empty());
            QVERIFY(QFileInfo(InDir(QStringLiteral("folder.avi"))).isDir());
        }
    }

    void overwritingThroughALinkKeepsTheFileAtItsEndAndTheLink()
    {
        const QString target = InDir(QStringLiteral("real.mp4"));
        const QString link = InDir(QStringLiteral("link.mp4"));
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("old video");
        file.close();
        QVERIFY(QFile::link(target, link));
        MessageRecorder messages(MessageResult::Yes);
        VideoDialog dialog;
        dialog.show();
        FillAndConfirm(dialog, QStringLiteral("2000"), QStringLiteral("7"), link);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(QFile::exists(target));
        QCOMPARE(QFileInfo(link).symLinkTarget(), target);
    }

    void pathButtonReplacesThePathOnlyWhenAFileIsChosen()
    {
        QString askedFilter, askedSuffix, askedName;
        bool askedSave = false;
        QString answer = InDir(QStringLiteral("chosen.avi"));
        SetFileDialogHook([&](bool save, const QString& filter, const QString& suffix, const QString& name) {
            askedSave = save;
            askedFilter = filter;
            askedSuffix = suffix;
            askedName = name;
            return answer;
        });
        VideoDialog dialog;
        dialog.path = QStringLiteral("movie.avi");
        dialog.show();
        QTest::mouseClick(dialog.PathButton(), Qt::LeftButton);
        QVERIFY(askedSave);
        QCOMPARE(askedFilter, QStringLiteral("Video (*.avi)|*.avi|MP4-Video (*.mp4)|*.mp4|WebM-Video (*.webm)|*.webm|"
                                             "Animiertes GIF (*.gif)|*.gif||"));
        QCOMPARE(askedSuffix, QStringLiteral("avi"));
        QCOMPARE(askedName, QStringLiteral("movie.avi"));
        QCOMPARE(dialog.PathEdit()->text(), answer);

        answer.clear();  // the user cancels the chooser
        QTest::mouseClick(dialog.PathButton(), Qt::LeftButton);
        QCOMPARE(askedName, InDir(QStringLiteral("chosen.avi")));
        QCOMPARE(dialog.PathEdit()->text(), InDir(QStringLiteral("chosen.avi")));
        SetFileDialogHook(nullptr);
    }

    void videoCommandWritesTheVideoAndStartsFromTheDefaultsEveryTime()
    {
        MessageRecorder messages;
        const auto field = SmallPicture();
        QMainWindow mainWindow;
        SetTheMainWindow(&mainWindow);
        mainWindow.show();
        const QString target = InDir(QStringLiteral("export.avi"));

        QStringList shownAtOpening;
        WhenVideoDialogOpens([&](VideoDialog& dialog) {
            shownAtOpening << dialog.DurationEdit()->text() << dialog.FramesPerSecondEdit()->text()
                           << dialog.PathEdit()->text();
            FillAndConfirm(dialog, QStringLiteral("500"), QStringLiteral("4"), target);
        });
        RunVideoCommand(*field, &mainWindow);
        QVERIFY(messages.shown.empty());
        QFile video(target);
        QVERIFY(video.open(QIODevice::ReadOnly));
        const QByteArray head = video.read(12);
        QCOMPARE(head.left(4), QByteArray("RIFF"));
        QCOMPARE(head.mid(8, 4), QByteArray("AVI "));
        QVERIFY(mainWindow.isEnabled());

        // The second run starts from the defaults again; cancelling exports nothing.
        WhenVideoDialogOpens([&](VideoDialog& dialog) {
            shownAtOpening << dialog.DurationEdit()->text() << dialog.FramesPerSecondEdit()->text()
                           << dialog.PathEdit()->text();
            dialog.reject();
        });
        RunVideoCommand(*field, &mainWindow);
        const QStringList defaults{QStringLiteral("2000"), QStringLiteral("7"), QStringLiteral("movie.avi")};
        QCOMPARE(shownAtOpening, defaults + defaults);
        QVERIFY(messages.shown.empty());
        SetTheMainWindow(nullptr);
    }

    void pathChooserLeavesTheOverwriteQuestionToOk()
    {
        bool asksOverwrite = true;
        QStringList filters;
        QString suffix;
        QTimer::singleShot(0, [&] {
            auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(chooser);
            asksOverwrite = !chooser->testOption(QFileDialog::DontConfirmOverwrite);
            filters = chooser->nameFilters();
            suffix = chooser->defaultSuffix();
            chooser->reject();
        });
        VideoDialog dialog;
        dialog.path = InDir(QStringLiteral("movie.avi"));
        dialog.show();
        QTest::mouseClick(dialog.PathButton(), Qt::LeftButton);
        QVERIFY(!asksOverwrite);
        const QStringList expected{QStringLiteral("Video (*.avi)"), QStringLiteral("MP4-Video (*.mp4)"),
                                   QStringLiteral("WebM-Video (*.webm)"), QStringLiteral("Animiertes GIF (*.gif)")};
        QCOMPARE(filters, expected);
        QCOMPARE(suffix, QStringLiteral("avi"));
    }

    void videoCommandExportsEveryFormatByItsEnding()
    {
        MessageRecorder messages;
        const auto field = SmallPicture();
        const std::vector<std::pair<QString, QByteArray>> formats = {
            {QStringLiteral("clip.MP4"), QByteArray("ftyp")},
            {QStringLiteral("clip.webm"), QByteArray("\x1a\x45\xdf\xa3")},
            {QStringLiteral("clip.gif"), QByteArray("GIF89a")},
        };
        for (const auto& [name, magic] : formats) {
            const QString target = InDir(name);
            WhenVideoDialogOpens([&](VideoDialog& dialog) {
                FillAndConfirm(dialog, QStringLiteral("1000"), QStringLiteral("5"), target);
            });
            RunVideoCommand(*field, nullptr);
            QFile video(target);
            QVERIFY2(video.open(QIODevice::ReadOnly), qPrintable(name));
            QVERIFY2(video.read(16).contains(magic), qPrintable(name));
        }
        QVERIFY(messages.shown.empty());
    }

    void writeFailureIsReportedWhileTheProgressWindowIsUp()
    {
        bool windowUp = false;
        bool fileThere = false;
        const QString target = InDir(QStringLiteral("full.avi"));
        std::vector<ShownMessage> shown;
        SetMessageBoxHook([&](const QString& text, MessageButtons buttons, MessageIcon icon) {
            shown.push_back({text, buttons, icon});
            windowUp = ProgressWindowIsUp();
            fileThere = !QDir(m_dir.path()).entryList({QStringLiteral(".grimasso-save-*")}, QDir::Files | QDir::Hidden).isEmpty();
            return MessageResult::Ok;
        });
        const auto field = LargerPicture();
        WhenVideoDialogOpens([&](VideoDialog& dialog) {
            FillAndConfirm(dialog, QStringLiteral("2000"), QStringLiteral("7"), target);
        });
        {
            FileSizeLimit limit(300 * 1024);  // the third frame does not fit
            RunVideoCommand(*field, nullptr);
        }
        SetMessageBoxHook(nullptr);
        QCOMPARE(shown.size(), std::size_t{1});
        QCOMPARE(shown[0].text, LoadQString(61451));
        QCOMPARE(shown[0].icon, MessageIcon::None);
        QVERIFY2(windowUp, "shown while the progress window is still up");
        QVERIFY2(fileThere, "shown before the temporary file is deleted");
        QVERIFY(!QFile::exists(target));
        QVERIFY(QDir(m_dir.path()).entryList({QStringLiteral(".grimasso-save-*")}, QDir::Files | QDir::Hidden).isEmpty());
        QVERIFY(!ProgressWindowIsUp());
    }

    void videoCommandReportsAFileThatCannotBeCreated()
    {
        MessageRecorder messages;
        const auto field = SmallPicture();
        const QString target = InDir(QStringLiteral("missing-folder/export.avi"));
        WhenVideoDialogOpens([&](VideoDialog& dialog) {
            FillAndConfirm(dialog, QStringLiteral("2000"), QStringLiteral("7"), target);
        });
        RunVideoCommand(*field, nullptr);
        QCOMPARE(messages.shown.size(), std::size_t{1});
        QCOMPARE(messages.shown[0].text, LoadQString(61449));
        QCOMPARE(messages.shown[0].icon, MessageIcon::Warning);
        QVERIFY(!QFile::exists(target));
    }
};

QTEST_MAIN(VideoDialogTest)
#include "VideoDialogTest.moc"
