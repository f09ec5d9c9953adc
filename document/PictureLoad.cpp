// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/PictureLoad.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <exception>
#include <thread>

#include "framework/StringTable.h"
#include "framework/WaitCursor.h"
#include "image/LoadControl.h"
#include "resources/StringIds.h"
#include "session/PictureSession.h"

namespace {

// Loads shorter than this show no window.
constexpr int kShowAfterMilliseconds = 500;
// The bar's range once a reader tells its share: thousandths.
constexpr int kBarSteps = 1000;

// Swallows the user's input to every window but the progress window while it
// lives: before the modal window is up nothing else blocks it.
class InputHold : public QObject {
public:
    explicit InputHold(QWidget& allowed) : m_allowed(allowed) { qApp->installEventFilter(this); }
    ~InputHold() override { qApp->removeEventFilter(this); }
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!IsUserInput(event->type()))
            return false;
        if (auto* widget = qobject_cast<QWidget*>(watched))
            return widget->window() != &m_allowed;
        if (auto* window = qobject_cast<QWindow*>(watched))
            return window != m_allowed.windowHandle();
        return false;
    }

private:
    static bool IsUserInput(QEvent::Type type)
    {
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Close:  // the main window's close box would end the program under the load
            return true;
        default:
            return false;
        }
    }

    QWidget& m_allowed;
};

}  // namespace

std::unique_ptr<PictureSession> LoadPictureWithProgress(const std::string& path, QWidget* owner)
{
    LoadControl control;
    QProgressDialog window(LoadQString(IDS_OPEN_PROGRESS_TEXT), LoadQString(IDS_OPEN_PROGRESS_CANCEL), 0, 0, owner);
    window.setWindowTitle(LoadQString(IDS_OPEN_PROGRESS_TITLE));
    window.setWindowModality(Qt::ApplicationModal);
    // The window stays up after "Abbrechen" until the reader has stopped.
    window.setAutoReset(false);
    window.setAutoClose(false);
    window.setMinimumDuration(kShowAfterMilliseconds);
    QObject::connect(&window, &QProgressDialog::canceled, &window, [&window, &control] {
        control.RequestCancel();
        window.setLabelText(LoadQString(IDS_OPEN_PROGRESS_CANCELLING));
    });
    // Shows the share read; the busy bar stays while no reader tells one.
    auto showShare = [&window](int permille) {
        if (!window.isVisible() || window.wasCanceled() || permille < 0)
            return;
        if (window.maximum() != kBarSteps)
            window.setRange(0, kBarSteps);
        window.setValue(permille);
    };
    QTimer showTimer;
    showTimer.setSingleShot(true);
    QObject::connect(&showTimer, &QTimer::timeout, &window, [&window, &control, showShare] {
        window.show();
        showShare(control.Permille());
    });
    // Told on the loading thread; the window is changed on its own.
    control.SetShareListener([&window, showShare](int permille) {
        QMetaObject::invokeMethod(&window, [showShare, permille] { showShare(permille); }, Qt::QueuedConnection);
    });

    // The thread reports its end to this loop; a report that comes before the
    // loop runs waits in the queue and ends it at once.
    QEventLoop loop;
    std::unique_ptr<PictureSession> session;
    std::exception_ptr failure;
    std::jthread loader([&] {
        {
            const ScopedLoadControl named(control);
            try {
                std::unique_ptr<PictureSession> loaded = PictureSession::Open(path);
                loaded->Field();
                LoadCheckpoint();
                session = std::move(loaded);
            } catch (...) {
                failure = std::current_exception();
            }
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    {
        const InputHold hold(window);
        const CWaitCursor wait;
        showTimer.start(kShowAfterMilliseconds);
        loop.exec();
    }
    // The thread has reported its end; joined before its results are read.
    loader.join();
    if (control.CancelRequested())
        return nullptr;  // whatever the thread got or failed with
    if (failure)
        std::rethrow_exception(failure);
    return session;
}
