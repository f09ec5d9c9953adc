#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Asks for the JPEG quality and the progressive option before a JPEG save.
// The slider runs upside down: its top end (position 0) is quality 100.
#include <QDialog>

class QCheckBox;
class QSlider;

class CJpegDialog : public QDialog {
    Q_OBJECT
public:
    explicit CJpegDialog(QWidget* parent = nullptr);

    // Fills the controls from m_quality and m_progressive, then runs modally.
    int DoModal();
    // Fields to controls; a quality outside 0..100 becomes 100.
    void OnInitDialog();
    // Controls to fields, then closes with OK.
    void OnOK();

    QSlider* Slider() const { return m_slider; }
    QCheckBox* ProgressiveCheck() const { return m_progressiveCheck; }

    int m_quality = 100;
    bool m_progressive = false;

private:
    QSlider* m_slider;
    QCheckBox* m_progressiveCheck;
};
