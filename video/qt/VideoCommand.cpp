// SPDX-License-Identifier: GPL-3.0-or-later
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

    try {
        // The export reports its failure messages through the progress window
        // the moment they happen; the window goes when the export is over.
        ProgressDialog progress;
        ExportVideo(field, QFile::encodeName(dialog.path).toStdString(), dialog.durationMs, dialog.framesPerSecond,
                    progress);
    } catch (const std::exception&) {
        // The export has already removed its file; the user learns that it failed.
        AfxMessageBox(IDS_VIDEO_WRITE_FAILED, MessageButtons::Ok, MessageIcon::None);
    }
}
