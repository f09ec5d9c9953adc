// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/FaceSearch.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <chrono>
#include <future>

#include "face/FaceFinder.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "framework/WaitCursor.h"
#include "image/DibImage.h"
#include "resources/StringIds.h"
#include "session/PictureSession.h"

namespace {
// Searches shorter than this show no busy window.
constexpr int kGlanceMilliseconds = 30;
}  // namespace

std::optional<std::vector<FoundFace>> SearchFaces(const PictureSession& session, QWidget* owner)
{
    BITMAPINFOHEADER header;
    const std::uint8_t* rows = nullptr;
    session.GetPicture(header, rows);
    const std::int32_t width = header.biWidth, height = header.biHeight;
    const auto rowBytes = static_cast<std::size_t>(RowBytes(width, 24));
    // The thread reports its end to this loop, which the busy window runs
    // when the search takes longer than a glance; a report that comes first
    // waits in the queue and ends the loop at once.
    QEventLoop loop;
    auto reportEnd = [&loop] { QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection); };
    // The busy window is modal: nothing changes the picture while the thread reads it.
    std::future<std::vector<FoundFace>> found = std::async(std::launch::async, [=] {
        struct EndReport {
            decltype(reportEnd) report;
            ~EndReport() { report(); }
        } end{reportEnd};
        return FaceFinder::Shared().Find(width, height, rows, rowBytes);
    });
    if (found.wait_for(std::chrono::milliseconds(kGlanceMilliseconds)) != std::future_status::ready) {
        CWaitCursor wait;
        QProgressDialog busy(LoadQString(IDS_FACE_SEARCHING), QString(), 0, 0, owner);
        busy.setWindowTitle(LoadQString(IDS_FACE_DIALOG_TITLE));
        busy.setWindowModality(Qt::ApplicationModal);
        busy.setMinimumDuration(0);
        busy.setCancelButton(nullptr);
        busy.show();
        loop.exec();
    }
    try {
        std::vector<FoundFace> faces = found.get();
        if (faces.empty()) {
            AfxMessageBox(IDS_FACE_NONE_FOUND);
            return std::nullopt;
        }
        return faces;
    } catch (const FaceRecognitionUnavailable&) {
        AfxMessageBox(IDS_FACE_NOT_INSTALLED);
    } catch (const std::exception& failure) {
        AfxMessageBox(LoadQString(IDS_FACE_FAILED).arg(QString::fromLocal8Bit(failure.what())));
    }
    return std::nullopt;
}
