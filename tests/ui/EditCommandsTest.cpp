// SPDX-License-Identifier: GPL-3.0-or-later
// The view's commands and their states (tools, Undo, smoothing, move options),
// a command in the middle of a drag, and "Video erzeugen" from the editor down
// to a file that a video tool decodes.
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include "ToolGestureSupport.h"
#include "framework/DialogButtons.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"
#include "view/ProgressDialog.h"
#include "view/VideoDialog.h"
#include "view/MoveOptionsDialog.h"

using namespace tooltest;

namespace {

constexpr int kToolIds[] = {ID_MOVE_POINT, ID_ENLARGE, ID_SHRINK, ID_ROTATE};
const std::vector<QPoint> kDrag{{40, 30}, {48, 36}, {70, 40}};

std::unique_ptr<CWarpField> Smoothed(std::unique_ptr<CWarpField> field)
{
    field->BeginDeformation(ModeSmooth);
    field->SmoothMap();
    field->EndDeformation();
    return field;
}

// Standard output of a video tool, or empty when it fails.
QByteArray RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QByteArray();
    return process.readAllStandardOutput();
}

// The frames of a video as bottom-up 24-bit rows of width x height.
std::vector<std::vector<std::uint8_t>> DecodedFrames(const QString& path, int width, int height)
{
    const QByteArray raw = RunTool(QStringLiteral("ffmpeg"), {"-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt",
                                                               "bgr24", "-"});
    const int frameBytes = 3 * width * height;
    const std::size_t rowBytes = RowBytes(width, 24);
    std::vector<std::vector<std::uint8_t>> frames;
    for (int at = 0; at + frameBytes <= raw.size(); at += frameBytes) {
        std::vector<std::uint8_t> rows(rowBytes * height, 0);
        for (int y = 0; y < height; ++y)  // the decoder gives the top row first
            std::memcpy(&rows[(height - 1 - y) * rowBytes], raw.constData() + at + 3 * width * y, 3 * width);
        frames.push_back(std::move(rows));
    }
    return frames;
}

// The temporary files of saves and videos under way in folder.
QStringList TemporaryFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral(".grimasso-save-*")}, QDir::Files | QDir::Hidden);
}

void ConfirmVideoDialog(VideoDialog& dialog, const QString& duration, const QString& rate, const QString& path)
{
    dialog.DurationEdit()->setText(duration);
    dialog.FramesPerSecondEdit()->setText(rate);
    dialog.PathEdit()->setText(path);
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
}

// Exports a long video of picture to target and cancels it from the progress
// window once its temporary file shows in folder; true when that happened.
bool ExportCancelledInProgress(const OpenedPicture& picture, const QString& folder, const QString& target)
{
    bool cancelled = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<ProgressDialog*>(widget);
                progress && progress->isVisible() && !TemporaryFiles(folder).isEmpty()) {
                progress->reject();
                cancelled = true;
                poll.stop();
            }
    });
    WhenDialogOpens<VideoDialog>([&](VideoDialog& dialog) {
        poll.start(2);
        ConfirmVideoDialog(dialog, QStringLiteral("1000000"), QStringLiteral("50"), target);
    });
    picture.document->OnCmdMsg(ID_CREATE_VIDEO);
    return cancelled;
}

}  // namespace

class EditCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void toolCommandsAreCheckedByModeAndGreyTheMoveOptions()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 80, 60);
        QVERIFY(picture.view);
        auto* second = static_cast<CGrimassoView*>(editor.Manager().CreateNewWindow(picture.document));
        QVERIFY(second);
        for (int mode = 0; mode < 4; ++mode) {
            QVERIFY(picture.view->OnCmdMsg(kToolIds[mode]));
            for (int other = 0; other < 4; ++other) {
                const CCmdUI tool = StateOf(picture.view, kToolIds[other]);
                QVERIFY(tool.m_bEnabled && tool.m_bCheckSet);
                QCOMPARE(tool.m_bChecked, other == mode);
            }
            QCOMPARE(StateOf(picture.view, ID_MOVE_OPTIONS).m_bEnabled, mode == 0);
            // The other window of the document keeps its own tool.
            QVERIFY(StateOf(second, ID_MOVE_POINT).m_bChecked && StateOf(second, ID_MOVE_OPTIONS).m_bEnabled);
        }
        // A greyed command that arrives anyway opens nothing.
        QVERIFY(!OpensADialog([&] { picture.view->OnCmdMsg(ID_MOVE_OPTIONS); }));
        QVERIFY(!picture.document->IsModified());
    }

    void undoAndSmoothingFollowTheWarpFieldAndMarkTheDocument()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 100, 80);
        QVERIFY(picture.view);
        auto* second = static_cast<CGrimassoView*>(editor.Manager().CreateNewWindow(picture.document));
        QVERIFY(second);
        QVERIFY(!StateOf(picture.view, ID_EDIT_UNDO).m_bEnabled);
        Drag(picture.view, kDrag);
        QVERIFY(StateOf(second, ID_EDIT_UNDO).m_bEnabled);

        picture.document->SetModifiedFlag(false);
        QVERIFY(picture.view->OnCmdMsg(ID_SMOOTH));
        QVERIFY(MapOf(picture.Field()) == MapOf(*Smoothed(picture.Dragged(kDrag))));
        QVERIFY(MapOf(picture.Field()) != MapOf(*picture.Dragged(kDrag)));
        QVERIFY(picture.document->IsModified());
        QVERIFY(StateOf(picture.view, ID_EDIT_UNDO).m_bEnabled);

        // Undo in one window: the state before smoothing, in both windows.
        picture.document->SetModifiedFlag(false);
        QVERIFY(second->OnCmdMsg(ID_EDIT_UNDO));
        QVERIFY(MapOf(picture.Field()) == MapOf(*picture.Dragged(kDrag)));
        QVERIFY(picture.document->IsModified());
        QVERIFY(!StateOf(picture.view, ID_EDIT_UNDO).m_bEnabled);
        QCoreApplication::processEvents();
        QCOMPARE(FirstScreenMismatch(picture.view, picture.Field()), QPoint(-1, -1));
        QCOMPARE(FirstScreenMismatch(second, picture.Field()), QPoint(-1, -1));
    }

    void moveOptionsSetTheRadiusOfTheDocument()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 120, 90);
        QVERIFY(picture.view);
        auto* second = static_cast<CGrimassoView*>(editor.Manager().CreateNewWindow(picture.document));
        QVERIFY(second);
        QStringList shown;
        for (const bool confirm : {true, false}) {
            WhenDialogOpens<CMoveOptionsDialog>([&shown, confirm](CMoveOptionsDialog& dialog) {
                shown << dialog.RadiusField()->text();
                dialog.RadiusField()->setText(confirm ? QStringLiteral("45") : QStringLiteral("7"));
                confirm ? QTest::mouseClick(OkButtonOf(&dialog), Qt::LeftButton) : dialog.reject();
            });
            (confirm ? picture.view : second)->OnCmdMsg(ID_MOVE_OPTIONS);
        }
        QCOMPARE(shown, (QStringList{QStringLiteral("20"), QStringLiteral("45")}));
        QCOMPARE(picture.Field().GetRadius(), 45);
        QVERIFY(!picture.document->IsModified());
        // A drag in the other window pulls with the document's radius.
        QTest::qWait(10);
        Drag(second, kDrag);
        QVERIFY(MapOf(picture.Field()) == MapOf(*picture.Dragged(kDrag, 45)));
    }

    void undoInTheMiddleOfADragUndoesTheWholeDrag()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 100, 80);
        QVERIFY(picture.view);
        Press(picture.view, kDrag[0]);
        MoveTo(picture.view, kDrag[1]);
        MoveTo(picture.view, kDrag[2]);
        picture.view->OnCmdMsg(ID_EDIT_UNDO);  // by keyboard, the button still held
        QVERIFY(!picture.view->HasCapture());
        QVERIFY(PictureOf(picture.Field()) == PictureOf(*picture.FreshField()));
        // The rest of the pointer's way changes nothing that could not be undone.
        MoveTo(picture.view, QPoint(20, 70));
        Release(picture.view, QPoint(20, 70));
        QVERIFY(MapOf(picture.Field()) == MapOf(*picture.FreshField()));
    }

    void videoExportWritesTheMorphThatAVideoToolReads()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
            QSKIP("ffmpeg and ffprobe are needed to read the video back");
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 64, 48);
        QVERIFY(picture.view);
        Drag(picture.view, {{20, 20}, {30, 26}, {44, 30}});
        CCmdUI video(ID_CREATE_VIDEO);
        QVERIFY(picture.document->OnUpdateCmdUI(video) && video.m_bEnabled);

        const QString target = folder.filePath(QStringLiteral("morph.avi"));
        WhenDialogOpens<VideoDialog>([&](VideoDialog& dialog) {
            ConfirmVideoDialog(dialog, QStringLiteral("1000"), QStringLiteral("10"), target);
        });
        QVERIFY(picture.document->OnCmdMsg(ID_CREATE_VIDEO));
        QVERIFY(editor.messages.isEmpty());
        const QByteArray probed = RunTool(QStringLiteral("ffprobe"),
                                          {"-v", "error", "-count_frames", "-show_entries",
                                           "stream=width,height,nb_read_frames", "-of", "csv=p=0", target});
        QCOMPARE(probed.trimmed(), QByteArray("64,48,11"));
        // From the undeformed picture to the deformed one.
        const auto frames = DecodedFrames(target, 64, 48);
        QCOMPARE(frames.size(), std::size_t{11});
        QVERIFY(frames.front() == picture.rows);
        QVERIFY(frames.back() == PictureOf(picture.Field()));
        QVERIFY(frames.back() != frames.front());
    }

    void cancelledExportsLeaveNoFile()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 200, 150);
        QVERIFY(picture.view);
        const QString target = folder.filePath(QStringLiteral("cancelled.avi"));
        WhenDialogOpens<VideoDialog>([&](VideoDialog& dialog) {
            dialog.PathEdit()->setText(target);
            dialog.reject();
        });
        picture.document->OnCmdMsg(ID_CREATE_VIDEO);
        QVERIFY(!QFile::exists(target));

        // Cancelled from the progress window once frames are being written.
        QVERIFY(ExportCancelledInProgress(picture, folder.path(), target));
        QVERIFY(editor.messages.isEmpty());
        QVERIFY(QDir(folder.path()).entryList({QStringLiteral("*.avi")}, QDir::Files).isEmpty());
    }
    // "Abbrechen" in the progress window of an export over an existing AVI,
    // and a video onto the picture's own file: the old files stay as they were.
    void videoExportsThatDoNotFinishLeaveTheOldFiles()
    {
        QStringList asked;  // outlives the editor, which answers its last questions
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 200, 150);
        QVERIFY(picture.view);
        const QString pictureFile = picture.document->GetPathName();
        const QString old = folder.filePath(QStringLiteral("old.avi"));
        QFile file(old);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("old video");
        file.close();
        QFile pictureBytes(pictureFile);
        QVERIFY(pictureBytes.open(QIODevice::ReadOnly));
        const QByteArray pictureBefore = pictureBytes.readAll();
        pictureBytes.close();
        SetMessageBoxHook([&](const QString& text, MessageButtons, MessageIcon) {
            asked << text;
            return MessageResult::Yes;  // overwrite the old video
        });

        QVERIFY(ExportCancelledInProgress(picture, folder.path(), old));
        QCOMPARE(asked, QStringList{LoadQString(IDS_ASK_OVERWRITE)});
        QFile kept(old);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("old video"));
        QVERIFY(TemporaryFiles(folder.path()).isEmpty());

        // The picture's own file: refused at OK, the dialog stays open.
        asked.clear();
        bool stayedOpen = false;
        WhenDialogOpens<VideoDialog>([&](VideoDialog& dialog) {
            ConfirmVideoDialog(dialog, QStringLiteral("1000"), QStringLiteral("10"), pictureFile);
            stayedOpen = dialog.isVisible();
            dialog.reject();
        });
        picture.document->OnCmdMsg(ID_CREATE_VIDEO);
        QVERIFY(stayedOpen);
        QCOMPARE(asked, QStringList{LoadQString(IDS_VIDEO_ONTO_PICTURE)});
        QVERIFY(pictureBytes.open(QIODevice::ReadOnly));
        QCOMPARE(pictureBytes.readAll(), pictureBefore);
    }
};

QTEST_MAIN(EditCommandsTest)
#include "EditCommandsTest.moc"
