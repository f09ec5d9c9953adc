#include "video/qt/VideoCommand.h"

#include <QFile>
#include <exception>

#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "video/VideoExport.h"
#include "video/qt/ProgressDialog.h"
#include "video/qt/VideoDialog.h"

namespace {
constexpr std::uint32_t kDefaultDurationMs = 2000;
constexpr std::uint32_t kDefaultFramesPerSecond = 7;
constexpr int IDS_DEFAULT_VIDEO_PATH = 61454;  // "movie.avi"
constexpr int IDS_VIDEO_WRITE_FAILED = 61451;
}  // namespace

void RunVideoCommand(const CWarpField& field, QWidget* parent)
{
    VideoDialog dialog(parent);
    dialog.durationMs = kDefaultDurationMs;
    dialog.framesPerSecond = kDefaultFramesPerSecond;
    dialog.path = LoadQString(IDS_DEFAULT_VIDEO_PATH);
    if (dialog.exec() != QDialog::Accepted)
        return;

    VideoExportOutcome outcome = VideoExportOutcome::Done;
    try {
        // The progress window goes (and the main window comes back) before any message.
        ProgressDialog progress;
        outcome = ExportVideo(field, QFile::encodeName(dialog.path).toStdString(), dialog.durationMs,
                              dialog.framesPerSecond, progress);
    } catch (const std::exception&) {
        // The export has already removed its file; the user learns that it failed.
        outcome = VideoExportOutcome::WriteFailed;
    }

    const int messageId = MessageIdForOutcome(outcome);
    if (messageId == 0)
        return;
    // A failed write is reported without an icon, the failures to start with the warning icon.
    const MessageIcon icon = messageId == IDS_VIDEO_WRITE_FAILED ? MessageIcon::None : MessageIcon::Warning;
    AfxMessageBox(messageId, MessageButtons::Ok, icon);
}
