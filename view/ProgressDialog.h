#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The modeless window the video export shows while it writes frames: a bar, a
// percent text and "Abbruch". While it is open its owner (the main window unless
// another is given) is disabled, so that nothing else can start meanwhile; the
// owner is enabled again when the window goes away. "Abbruch", Escape and the
// close box only request cancellation, which the export collects between frames
// through TakeCancelRequest; Enter does nothing. Both calls of the export first
// handle the events waiting in the queue, which keeps the program responsive.
#include <QDialog>
#include <QPointer>
#include <QString>

#include "resources/StringIds.h"
#include "video/VideoExport.h"

class QLabel;
class QProgressBar;
class QPushButton;

class ProgressDialog : public QDialog, public IVideoExportProgress {
    Q_OBJECT
public:
    // The window title unless the caller names another: "Fortschritt".
    static constexpr int kDefaultCaptionId = IDS_PROGRESS_CAPTION;

    // captionId names the window title in the string table; 0 for the default.
    explicit ProgressDialog(int captionId = 0);
    // Takes the window away if it is still open, enabling the owner again.
    ~ProgressDialog() override;

    // Disables the owner (parent's window, or the main window when parent is
    // null) if it is enabled, then opens the window with the bar at the lower end.
    void Create(QWidget* parent = nullptr);
    // Enables the owner again if Create disabled it, then closes the window.
    void DestroyWindow();
    // Enables the owner again if Create disabled it (once).
    void RestoreOwner();

    void SetRange(int lower, int upper);

    // The export's side: the window appears, the bar advances, cancellation is collected.
    void Show() override;
    void SetPosition(int position) override;
    bool TakeCancelRequest() override;
    // Shows the export's failure message at once, over the progress window when
    // it is up: a failed write without an icon, every other with the warning icon.
    void ReportFailure(VideoExportOutcome outcome) override;

    // "42%": (position - lower) x 100 / (upper - lower) truncated; anything but
    // 100 is taken modulo 100. An empty range counts as done once reached.
    static QString PercentText(int position, int lower, int upper);

    // Cancel command: requests cancellation, the window stays open.
    void reject() override;

    QString ShownPercentText() const;
    int BarValue() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    static void ProcessPendingEvents();

    int m_captionId;
    int m_lower = 0;
    int m_upper = 100;
    bool m_cancelRequested = false;
    bool m_ownerDisabled = false;
    bool m_created = false;
    QPointer<QWidget> m_owner;
    QProgressBar* m_bar;
    QLabel* m_percent;
    QPushButton* m_cancel;
};
