// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutBox.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include "app/StartPicture.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"

namespace {

// The button's size: 32 x 14 dialog units of the classic 8-point dialog font.
constexpr QSize kOkButtonSize(48, 23);

}  // namespace

AboutBox::AboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_picture(LoadStartPicture())
{
    setWindowTitle(LoadQString(AFX_IDS_APP_TITLE));
    // Without the picture the box keeps its usual size, so the button stays on it.
    setFixedSize(m_picture.isNull() ? kStartPictureSize : m_picture.size());
    m_pOkButton = new QPushButton(LoadQString(IDS_BUTTON_OK), this);
    m_pOkButton->setDefault(true);
    m_pOkButton->setGeometry(QRect(kOkButtonPosition, kOkButtonSize));
    connect(m_pOkButton, &QPushButton::clicked, this, &QDialog::accept);
    m_pOkButton->setFocus();
    PlaceOnScreen();
}

QPoint AboutBox::PlacementOnScreen(QSize screen, QSize box)
{
    // C++ integer division truncates toward zero, as the placement wants.
    return QPoint(screen.width() / 2 - box.width() / 2, screen.height() / 2 - box.height() / 2);
}

void AboutBox::PlaceOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.topLeft() + PlacementOnScreen(area.size(), size()));
}

void AboutBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_picture.isNull()) {
        painter.drawImage(0, 0, m_picture);
        return;
    }
    painter.fillRect(rect(), palette().window());
    QFont font = painter.font();
    font.setPointSize(32);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(rect(), Qt::AlignCenter, LoadQString(AFX_IDS_APP_TITLE));
}
