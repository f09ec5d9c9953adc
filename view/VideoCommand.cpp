// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/VideoCommand.h"

#include <QFile>
#include <algorithm>
#include <exception>

#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"
#include "session/PictureSession.h"
#include "view/ProgressDialog.h"
#include "view/VideoDialog.h"

void RunVideoCommand(PictureSession& session, QWidget* parent)
{
    const PictureSession::VideoSettings defaults;
    VideoDialog dialog(parent);
    dialog.durationMs = defaults.durationMs;
    dialog.framesPerSecond = defaults.framesPerSecond;
    dialog.path = LoadQString(IDS_DEFAULT_VIDEO_PATH);
    dialog.timing = defaults.timing;
    dialog.videoSize = defaults.videoSize;
    dialog.pictureLongSide = std::max(session.Width(), session.Height());
    dialog.isPictureFile = [&session](const QString& path) {
        return session.IsOwnFile(QFile::encodeName(path).toStdString());
    };
    if (dialog.exec() != QDialog::Accepted)
        return;

    try {
        // The export reports its failure messages through the progress window
        // the moment they happen; the window goes when the export is over.
        ProgressDialog progress;
        session.Video().durationMs = dialog.durationMs;
        session.Video().framesPerSecond = dialog.framesPerSecond;
        session.Video().timing = dialog.timing;
        session.Video().videoSize = dialog.videoSize;
        session.ExportVideo(QFile::encodeName(dialog.path).toStdString(), progress);
    } catch (const std::exception&) {
        // The export has already removed its temporary file; the user learns that it failed.
        AfxMessageBox(IDS_VIDEO_WRITE_FAILED, MessageButtons::Ok, MessageIcon::None);
    }
}
