#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// "Video erzeugen": asks for the video's length in milliseconds, its frame rate
// and the file to write, then its course, loop, direction, holds and size. The
// caller sets the fields before showing the dialog and reads them after it ends
// with OK. OK checks the entries in order (length, frame rate, holds, path,
// overwriting an existing file) and keeps the dialog
// open on the first failure. The file of the open picture itself is refused;
// agreeing to overwrite another file deletes nothing: the export replaces it
// only with the finished video.
#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "video/RunningOrder.h"
#include "session/ToolLimits.h"

class QLineEdit;
class QPushButton;
class VideoTimingFields;

class VideoDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr std::uint32_t kMinDurationMs = tool_limits::kVideoDurationMs.minimum;
    static constexpr std::uint32_t kMaxDurationMs = tool_limits::kVideoDurationMs.maximum;
    static constexpr std::uint32_t kMinFramesPerSecond = tool_limits::kVideoFramesPerSecond.minimum;
    static constexpr std::uint32_t kMaxFramesPerSecond = tool_limits::kVideoFramesPerSecond.maximum;

    explicit VideoDialog(QWidget* parent = nullptr);
    ~VideoDialog() override;

    // Shown in the edits when the dialog opens; hold the accepted entries after OK.
    std::uint32_t durationMs = 0;
    std::uint32_t framesPerSecond = 0;
    QString path;
    VideoTiming timing;
    std::int32_t videoSize = 0;        // long side of MP4, WebM and GIF; 0: the picture's own
    std::int32_t pictureLongSide = 0;  // only smaller sizes are offered
    // True for the file of the open picture, which a video must not replace.
    std::function<bool(const QString& path)> isPictureFile;

    // OK: validates and closes only when every entry is acceptable.
    void accept() override;

    QLineEdit* DurationEdit() const { return m_editDuration; }
    QLineEdit* FramesPerSecondEdit() const { return m_editFramesPerSecond; }
    QLineEdit* PathEdit() const { return m_editPath; }
    QPushButton* PathButton() const { return m_buttonPath; }
    QPushButton* OkButton() const { return m_buttonOk; }
    const VideoTimingFields& TimingFields() const { return *m_timingFields; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool ReadPath();
    void RefuseEntry(QLineEdit* edit);
    void OnChangePath();

    QLineEdit* m_editDuration;
    QLineEdit* m_editFramesPerSecond;
    QLineEdit* m_editPath;
    QPushButton* m_buttonPath;
    QPushButton* m_buttonOk;
    std::unique_ptr<VideoTimingFields> m_timingFields;
};
