// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartScreen.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QPainter>
#include <QScreen>

#include "app/StartPicture.h"
#include "framework/Application.h"

namespace {

bool g_enabled = false;
StartScreen* g_current = nullptr;

}  // namespace

void StartScreen::Enable(bool enabled)
{
    g_enabled = enabled;
}

bool StartScreen::IsEnabled()
{
    return g_enabled;
}

StartScreen* StartScreen::Current()
{
    return g_current;
}

void StartScreen::Show(QWidget* parent)
{
    if (!g_enabled || g_current)
        return;
    const QImage picture = LoadStartPicture();
    if (picture.isNull())
        return;  // nothing worth showing; the program starts without it
    g_current = new StartScreen(parent, picture);
    g_current->show();
    g_current->repaint();
}

StartScreen::StartScreen(QWidget* parent, const QImage& picture)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus), m_picture(picture)
{
    // Keys keep going to the main window while the picture is up.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(m_picture.size());
    CentreOnOwner();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [] { Hide(); });
    m_timer.start(kDisplayMilliseconds);
    if (qApp)
        qApp->installEventFilter(this);
}

StartScreen::~StartScreen()
{
    if (qApp)
        qApp->removeEventFilter(this);
    if (g_current == this)
        g_current = nullptr;
}

bool StartScreen::eventFilter(QObject* watched, QEvent* event)
{
    if (g_current == this)
        FilterMessage(event);
    // A modal window that opens meanwhile (a message, the progress of a long
    // open from the command line) must not be hidden under the picture.
    if (g_current == this && event->type() == QEvent::Show) {
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget != this && widget->isWindow() && widget->isModal())
            Hide();
    }
    return QWidget::eventFilter(watched, event);
}

void StartScreen::CentreOnOwner()
{
    QWidget* owner = parentWidget();
    QRect area;
    if (owner && owner->isVisible()) {
        area = owner->frameGeometry();
    } else {
        const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen)
            area = screen->geometry();
    }
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
}

void StartScreen::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
}

void StartScreen::FilterMessage(const QEvent* event)
{
    if (!g_current || !event)
        return;
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:  // a key that is an accelerator arrives as this first
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
        Hide();
        break;
    default:
        break;
    }
}

void StartScreen::Hide()
{
    StartScreen* screen = g_current;
    if (!screen)
        return;
    g_current = nullptr;
    screen->m_timer.stop();
    const bool hadFocus = screen->isActiveWindow();
    screen->hide();
    // The press that hid it may be on its way to this very widget.
    screen->deleteLater();
    if (QWidget* main = TheMainWindow()) {
        if (hadFocus)
            main->activateWindow();
        main->update();
    }
}
