// The view's commands and their states (tools, Undo, smoothing, move options),
// commands that arrive in the middle of a drag, and "Video erzeugen" from the
// editor down to a file that a video tool decodes.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "ToolGestureSupport.h"
#include "image/qt/DialogButtons.h"
#include "video/qt/ProgressDialog.h"
#include "video/qt/VideoDialog.h"
#include "view/MoveOptionsDialog.h"

using namespace tooltest;

namespace {

constexpr int kToolIds[] = {ID_MOVE_POINT, ID_ENLARGE, ID_SHRINK, ID_ROTATE};

void DragOnce(CGrimassoView* view, const std::vector<QPoint>& path)
{
    Press(view, path.front());
    for (std::size_t i = 1; i < path.size(); ++i)
        MoveTo(view, path[i]);
    Release(view, path.back());
}

std::unique_ptr<CWarpField> Dragged(const OpenedPicture& picture, const std::vector<QPoint>& path, int radius = 20)
{
    auto field = picture.FreshField(radius);
    std::int32_t ax = picture.PicturePointAtZoom1(path.front()).x();
    std::int32_t ay = picture.PicturePointAtZoom1(path.front()).y();
    field->BeginDeformation(ModeMovePoint);
    for (std::size_t i = 1; i < path.size(); ++i) {
        const QPoint to = picture.PicturePointAtZoom1(path[i]);
        field->MovePointLive(ax, ay, to.x(), to.y());
    }
    field->EndDeformation();
    return field;
}

const std::vector<QPoint> kDrag{{40, 30}, {48, 36}, {70, 40}};

// The frames of a video decoded by ffmpeg as bottom-up 24-bit rows of width x
// height (the warp field's layout); empty when ffmpeg fails.
std::vector<std::vector<std::uint8_t>> DecodedFrames(const QString& path, int width, int height)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                                            QStringLiteral("-f"), QStringLiteral("rawvideo"), QStringLiteral("-pix_fmt"),
                                            QStringLiteral("bgr24"), QStringLiteral("-")});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return {};
    const QByteArray raw = ffmpeg.readAllStandardOutput();
    const int frameBytes = 3 * width * height;
    const int rowBytes = RowBytes(width, 24);
    std::vector<std::vector<std::uint8_t>> frames;
    for (int at = 0; at + frameBytes <= raw.size(); at += frameBytes) {
        std::vector<std::uint8_t> rows(static_cast<std::size_t>(rowBytes) * height, 0);
        for (int y = 0; y < height; ++y)  // ffmpeg gives the top row first
            std::memcpy(rows.data() + static_cast<std::size_t>(height - 1 - y) * rowBytes,
                        raw.constData() + at + 3 * width * y, 3 * static_cast<std::size_t>(width));
        frames.push_back(std::move(rows));
    }
    return frames;
}

// The stream's width, height and frame count as ffprobe reads them.
QString Probe(const QString& path)
{
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                   QStringLiteral("-select_streams"), QStringLiteral("v:0"), QStringLiteral("-show_entries"),
                   QStringLiteral("stream=width,height,nb_read_frames"), QStringLiteral("-of"),
                   QStringLiteral("csv=p=0"), path});
    if (!ffprobe.waitForFinished(60000) || ffprobe.exitCode() != 0)
        return QString();
    return QString::fromLatin1(ffprobe.readAllStandardOutput()).trimmed();
}

void ConfirmVideoDialog(VideoDialog& dialog, const QString& duration, const QString& rate, const QString& path)
{
    dialog.DurationEdit()->setText(duration);
    dialog.FramesPerSecondEdit()->setText(rate);
    dialog.PathEdit()->setText(path);
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
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
            QCOMPARE(picture.view->m_nToolMode, mode);
            for (int other = 0; other < 4; ++other) {
                QVERIFY(Offered(picture.view, kToolIds[other]));
                QCOMPARE(Checked(picture.view, kToolIds[other]), other == mode);
            }
            QCOMPARE(Offered(picture.view, ID_MOVE_OPTIONS), mode == 0);
            QVERIFY(Offered(picture.view, ID_SMOOTH));
            // The other window of the document keeps its own tool.
            QVERIFY(Checked(second, ID_MOVE_POINT));
            QVERIFY(Offered(second, ID_MOVE_OPTIONS));
        }
        // A greyed command that arrives anyway (a stale button) opens nothing.
        QVERIFY(!OpensADialog([&] { picture.view->OnCmdMsg(ID_MOVE_OPTIONS); }));
        QVERIFY(!picture.document->IsModified());
    }

    void undoIsOfferedExactlyWhileTheWarpFieldCanUndo()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 100, 80);
        QVERIFY(picture.view);
        auto* second = static_cast<CGrimassoView*>(editor.Manager().CreateNewWindow(picture.document));
        QVERIFY(second);
        const CWarpField& field = *picture.document->GetWarpField();
        QVERIFY(!UndoOffered(picture.view));

        DragOnce(picture.view, kDrag);
        QCOMPARE(field.CanUndo(), 1);
        QVERIFY(UndoOffered(picture.view));
        QVERIFY(UndoOffered(second));
        QCoreApplication::processEvents();
        QCOMPARE(FirstScreenMismatch(second, field), QPoint(-1, -1));

        picture.document->SetModifiedFlag(false);
        QVERIFY(picture.view->OnCmdMsg(ID_EDIT_UNDO));
        QVERIFY(MapOf(field) == MapOf(*picture.FreshField()));
        QVERIFY(PictureOf(field) == PictureOf(*picture.FreshField()));
        QVERIFY(picture.document->IsModified());
        QCOMPARE(field.CanUndo(), 0);
        QVERIFY(!UndoOffered(picture.view));
        // Both windows show the undone picture.
        QCOMPARE(FirstScreenMismatch(picture.view, field), QPoint(-1, -1));
        QCoreApplication::processEvents();
        QCOMPARE(FirstScreenMismatch(second, field), QPoint(-1, -1));
    }

    void smoothingIsOneUndoableGestureThatMarksTheDocument()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 100, 80);
        QVERIFY(picture.view);
        DragOnce(picture.view, kDrag);
        picture.document->SetModifiedFlag(false);
        picture.view->OnCmdMsg(ID_EDIT_UNDO);
        DragOnce(picture.view, kDrag);
        picture.document->SetModifiedFlag(false);

        QVERIFY(picture.view->OnCmdMsg(ID_SMOOTH));
        auto expected = Dragged(picture, kDrag);
        expected->BeginDeformation(ModeSmooth);
        expected->SmoothMap();
        expected->EndDeformation();
        const CWarpField& field = *picture.document->GetWarpField();
        QVERIFY(MapOf(field) == MapOf(*expected));
        QVERIFY(MapOf(field) != MapOf(*Dragged(picture, kDrag)));
        QVERIFY(picture.document->IsModified());
        QVERIFY(UndoOffered(picture.view));
        QCoreApplication::processEvents();
        QCOMPARE(FirstScreenMismatch(picture.view, field), QPoint(-1, -1));

        // Undo goes back to the state before smoothing, not before the drag.
        picture.view->OnCmdMsg(ID_EDIT_UNDO);
        QVERIFY(MapOf(field) == MapOf(*Dragged(picture, kDrag)));
    }

    void moveOptionsSetTheRadiusOfTheDocument()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 120, 90);
        QVERIFY(picture.view);
        auto* second = static_cast<CGrimassoView*>(editor.Manager().CreateNewWindow(picture.document));
        QVERIFY(second);

        QString shown;
        WhenDialogOpens<CMoveOptionsDialog>([&shown](CMoveOptionsDialog& dialog) {
            shown = dialog.RadiusField()->text();
            dialog.RadiusField()->setText(QStringLiteral("45"));
            QTest::mouseClick(OkButtonOf(&dialog), Qt::LeftButton);
        });
        picture.view->OnCmdMsg(ID_MOVE_OPTIONS);
        QCOMPARE(shown, QStringLiteral("20"));
        QCOMPARE(picture.document->GetWarpField()->GetRadius(), 45);
        QVERIFY(!picture.document->IsModified());

        // Cancelled: the radius stays; the other window sees the document's radius.
        WhenDialogOpens<CMoveOptionsDialog>([&shown](CMoveOptionsDialog& dialog) {
            shown = dialog.RadiusField()->text();
            dialog.RadiusField()->setText(QStringLiteral("7"));
            dialog.reject();
        });
        second->OnCmdMsg(ID_MOVE_OPTIONS);
        QCOMPARE(shown, QStringLiteral("45"));
        QCOMPARE(picture.document->GetWarpField()->GetRadius(), 45);

        // A drag in the other window pulls with the new radius.
        QTest::qWait(10);
        DragOnce(second, kDrag);
        QVERIFY(MapOf(*picture.document->GetWarpField()) == MapOf(*Dragged(picture, kDrag, 45)));
    }

    void aCommandInTheMiddleOfADragFinishesTheDragFirst()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 100, 80);
        QVERIFY(picture.view);
        const CWarpField& field = *picture.document->GetWarpField();

        // Undo by keyboard while the button is still held: the whole drag goes.
        Press(picture.view, kDrag[0]);
        MoveTo(picture.view, kDrag[1]);
        MoveTo(picture.view, kDrag[2]);
        picture.view->OnCmdMsg(ID_EDIT_UNDO);
        QVERIFY(!picture.view->HasCapture());
        QVERIFY(MapOf(field) == MapOf(*picture.FreshField()));
        QVERIFY(PictureOf(field) == PictureOf(*picture.FreshField()));
        // The rest of the pointer's way changes nothing.
        MoveTo(picture.view, QPoint(20, 70));
        Release(picture.view, QPoint(20, 70));
        QVERIFY(MapOf(field) == MapOf(*picture.FreshField()));

        // Smoothing in the middle of a drag smooths the finished drag.
        Press(picture.view, kDrag[0]);
        MoveTo(picture.view, kDrag[1]);
        MoveTo(picture.view, kDrag[2]);
        picture.view->OnCmdMsg(ID_SMOOTH);
        auto expected = Dragged(picture, kDrag);
        expected->BeginDeformation(ModeSmooth);
        expected->SmoothMap();
        expected->EndDeformation();
        QVERIFY(MapOf(field) == MapOf(*expected));
        picture.view->OnCmdMsg(ID_EDIT_UNDO);
        QVERIFY(MapOf(field) == MapOf(*Dragged(picture, kDrag)));
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
        DragOnce(picture.view, {{20, 20}, {30, 26}, {44, 30}});
        CCmdUI video(ID_CREATE_VIDEO);
        QVERIFY(picture.document->OnUpdateCmdUI(video));
        QVERIFY(video.m_bEnabled);
        const std::vector<MapEntry> mapBefore = MapOf(*picture.document->GetWarpField());

        const QString target = folder.filePath(QStringLiteral("morph.avi"));
        QStringList defaults;
        WhenDialogOpens<VideoDialog>([&](VideoDialog& dialog) {
            defaults << dialog.DurationEdit()->text() << dialog.FramesPerSecondEdit()->text() << dialog.PathEdit()->text();
            ConfirmVideoDialog(dialog, QStringLiteral("1000"), QStringLiteral("10"), target);
        });
        QVERIFY(picture.document->OnCmdMsg(ID_CREATE_VIDEO));
        QCOMPARE(defaults, (QStringList{QStringLiteral("2000"), QStringLiteral("7"), QStringLiteral("movie.avi")}));
        QVERIFY(editor.messages.isEmpty());

        QCOMPARE(Probe(target), QStringLiteral("64,48,11"));
        const auto frames = DecodedFrames(target, 64, 48);
        QCOMPARE(frames.size(), std::size_t{11});
        // From the undeformed picture to the deformed one.
        QVERIFY(frames.front() == picture.rows);
        QVERIFY(frames.back() == PictureOf(*picture.document->GetWarpField()));
        QVERIFY(frames.back() != frames.front());
        // The export leaves the deformation alone.
        QVERIFY(MapOf(*picture.document->GetWarpField()) == mapBefore);
    }

    void cancelledExportsLeaveNoFile()
    {
        EditorHarness editor;
        QTemporaryDir folder;
        OpenedPicture picture = OpenPattern(editor, folder, 400, 300);
        QVERIFY(picture.view);
        const QString target = folder.filePath(QStringLiteral("cancelled.avi"));

        // The dialog cancelled: nothing is written.
        WhenDialogOpens<VideoDialog>([&](VideoDialog& dialog) {
            dialog.PathEdit()->setText(target);
            dialog.reject();
        });
        picture.document->OnCmdMsg(ID_CREATE_VIDEO);
        QVERIFY(!QFile::exists(target));

        // The export cancelled from its progress window after it began writing.
        bool cancelled = false;
        QTimer poll;
        poll.setInterval(2);
        connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* progress = qobject_cast<ProgressDialog*>(widget);
                    progress && progress->isVisible() && progress->BarValue() > 0 && QFile::exists(target)) {
                    progress->reject();
                    cancelled = true;
                    poll.stop();
                }
        });
        WhenDialogOpens<VideoDialog>([&](VideoDialog& dialog) {
            poll.start();
            ConfirmVideoDialog(dialog, QStringLiteral("1000000"), QStringLiteral("50"), target);
        });
        picture.document->OnCmdMsg(ID_CREATE_VIDEO);
        QVERIFY(cancelled);
        QVERIFY(!QFile::exists(target));
        QVERIFY(editor.messages.isEmpty());
        QVERIFY(QDir(folder.path()).entryList({QStringLiteral("*.avi")}, QDir::Files).isEmpty());
    }
};

QTEST_MAIN(EditCommandsTest)
#include "EditCommandsTest.moc"
