#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog of "Gesicht karikieren": a slider and a number field for the
// automatic caricature ("Karikatur", first, as it runs first) and for each
// feature of the face gesture, all live, and "Nächstes Gesicht" when the
// picture has several faces. Every change hands the settings, the caricature's
// percent and the chosen face to the preview callback; the caller commits or
// cancels the gesture.
#include <QDialog>
#include <array>
#include <functional>

#include "face/FaceGesture.h"

class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;

class CFaceCaricatureDialog : public QDialog {
    Q_OBJECT
public:
    using Preview = std::function<void(const FaceSettings& settings, int caricature, int face)>;

    // faceCount faces were found (at least one); the first is chosen.
    CFaceCaricatureDialog(int faceCount, Preview preview, QWidget* parent = nullptr);

    const FaceSettings& Settings() const { return m_settings; }
    int ChosenFace() const { return m_face; }
    int Caricature() const { return m_caricature; }
    QSlider* CaricatureSlider() const { return m_caricatureSlider; }
    QSpinBox* CaricatureField() const { return m_caricatureField; }
    QSlider* SliderOf(FaceFeature feature) const { return m_sliders[static_cast<std::size_t>(feature)]; }
    QSpinBox* FieldOf(FaceFeature feature) const { return m_fields[static_cast<std::size_t>(feature)]; }
    QPushButton* NextFaceButton() const { return m_nextFace; }

private:
    void OnValueChanged(FaceFeature feature, int value);
    void OnCaricatureChanged(int value);
    void ShowPreview();
    void OnNextFace();
    void ShowWhichFace();

    Preview m_preview;
    FaceSettings m_settings;
    int m_faceCount;
    int m_face = 0;
    int m_caricature;
    QSlider* m_caricatureSlider = nullptr;
    QSpinBox* m_caricatureField = nullptr;
    std::array<QSlider*, kFaceFeatureCount> m_sliders{};
    std::array<QSpinBox*, kFaceFeatureCount> m_fields{};
    QLabel* m_whichFace = nullptr;
    QPushButton* m_nextFace = nullptr;
};
