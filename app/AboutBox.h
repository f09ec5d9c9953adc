#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: the start picture without caption or border, centred on the
// screen, with an OK button placed on the picture.
#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QSize>

class QPushButton;

class AboutBox : public QDialog {
    Q_OBJECT
public:
    // Where the OK button sits, in the box's own pixels.
    static constexpr QPoint kOkButtonPosition{250, 330};

    explicit AboutBox(QWidget* parent = nullptr);

    // Top-left corner of a box of size box on a screen of size screen:
    // half the screen minus half the box, each division truncating.
    static QPoint PlacementOnScreen(QSize screen, QSize box);

    QPushButton* OkButton() const { return m_pOkButton; }
    bool HasPicture() const { return !m_picture.isNull(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PlaceOnScreen();

    QPushButton* m_pOkButton;
    QImage m_picture;
};
