#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The borderless start picture shown while the main window comes up. It goes
// after 2 seconds, at the user's first key or mouse press, which still
// reaches its target, or when a modal window opens.
#include <QImage>
#include <QTimer>
#include <QWidget>

class QEvent;

class StartScreen : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDisplayMilliseconds = 2000;

    // Whether a start screen may be shown at all (set from the command line).
    static void Enable(bool enabled);
    static bool IsEnabled();
    // Shows the start screen over parent, unless disabled or one is up already.
    static void Show(QWidget* parent);
    // Looks at an event before it is delivered: a key or mouse press hides the
    // start screen. The event itself is never consumed. While a start screen
    // is up it sees every event of the program through an application filter.
    static void FilterMessage(const QEvent* event);
    // Removes the start screen and repaints the main window.
    static void Hide();
    // The start screen that is up, or null.
    static StartScreen* Current();

    ~StartScreen() override;

    // Time left until the start screen goes by itself.
    int RemainingMilliseconds() const { return m_timer.remainingTime(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    StartScreen(QWidget* parent, const QImage& picture);
    void CentreOnOwner();

    QImage m_picture;
    QTimer m_timer;
};
