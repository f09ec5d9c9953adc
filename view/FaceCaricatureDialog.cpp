// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/FaceCaricatureDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "framework/HelpRequest.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"
#include "session/ToolLimits.h"
#include "view/RegionDialogParts.h"

namespace {
constexpr int kSliderWidth = 220;
}  // namespace

CFaceCaricatureDialog::CFaceCaricatureDialog(int faceCount, Preview preview, QWidget* parent)
    : QDialog(parent), m_preview(std::move(preview)), m_faceCount(faceCount),
      m_caricature(tool_limits::kCaricature.start)
{
    setWindowTitle(LoadQString(IDS_FACE_DIALOG_TITLE));
    SetHelpTopic(this, IDH_FACE);
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);

    auto* grid = new QGridLayout;
    int row = 0;
    {
        constexpr auto range = tool_limits::kCaricature;
        auto* label = new QLabel(LoadQString(IDS_FACE_CARICATURE), this);
        m_caricatureSlider = CreateRegionSlider(this, range.minimum, range.maximum, (range.maximum - range.minimum) / 10,
                                                range.start);
        m_caricatureSlider->setMinimumWidth(kSliderWidth);
        m_caricatureSlider->setObjectName(QStringLiteral("caricature"));
        m_caricatureField = new QSpinBox(this);
        m_caricatureField->setRange(range.minimum, range.maximum);
        m_caricatureField->setValue(range.start);
        m_caricatureField->setObjectName(QStringLiteral("caricatureField"));
        label->setBuddy(m_caricatureSlider);
        grid->addWidget(label, row, 0);
        grid->addWidget(m_caricatureSlider, row, 1);
        grid->addWidget(m_caricatureField, row, 2);
        connect(m_caricatureSlider, &QSlider::valueChanged, this, &CFaceCaricatureDialog::OnCaricatureChanged);
        connect(m_caricatureField, &QSpinBox::valueChanged, this, &CFaceCaricatureDialog::OnCaricatureChanged);
        ++row;
    }
    for (const FaceFeatureRange& range : FaceFeatureRanges()) {
        const auto index = static_cast<std::size_t>(range.feature);
        auto* label = new QLabel(LoadQString(range.labelId), this);
        QSlider* slider = CreateRegionSlider(this, range.minimum, range.maximum, (range.maximum - range.minimum) / 10,
                                             range.start);
        slider->setMinimumWidth(kSliderWidth);
        slider->setObjectName(QString::fromLatin1(range.key));
        auto* field = new QSpinBox(this);
        field->setRange(range.minimum, range.maximum);
        field->setValue(range.start);
        field->setObjectName(QString::fromLatin1(range.key) + QLatin1String("Field"));
        label->setBuddy(slider);
        grid->addWidget(label, row, 0);
        grid->addWidget(slider, row, 1);
        grid->addWidget(field, row, 2);
        m_sliders[index] = slider;
        m_fields[index] = field;
        // Connected after the start values are set: opening previews nothing.
        const FaceFeature feature = range.feature;
        connect(slider, &QSlider::valueChanged, this, [this, feature](int value) { OnValueChanged(feature, value); });
        connect(field, &QSpinBox::valueChanged, this, [this, feature](int value) { OnValueChanged(feature, value); });
        ++row;
    }
    column->addLayout(grid);

    auto* faces = new QHBoxLayout;
    m_whichFace = new QLabel(this);
    m_nextFace = new QPushButton(LoadQString(IDS_FACE_NEXT), this);
    m_nextFace->setAutoDefault(false);
    m_nextFace->setEnabled(m_faceCount > 1);
    connect(m_nextFace, &QPushButton::clicked, this, &CFaceCaricatureDialog::OnNextFace);
    faces->addWidget(m_whichFace);
    faces->addStretch(1);
    faces->addWidget(m_nextFace);
    column->addLayout(faces);
    ShowWhichFace();

    AddRegionButtons(column, this);
    m_caricatureSlider->setFocus();
}

void CFaceCaricatureDialog::OnCaricatureChanged(int value)
{
    value = std::clamp(value, tool_limits::kCaricature.minimum, tool_limits::kCaricature.maximum);
    if (m_caricature == value)
        return;
    m_caricature = value;
    {
        const QSignalBlocker sliderBlock(m_caricatureSlider);
        const QSignalBlocker fieldBlock(m_caricatureField);
        m_caricatureSlider->setValue(value);
        m_caricatureField->setValue(value);
    }
    ShowPreview();
}

void CFaceCaricatureDialog::ShowPreview()
{
    if (m_preview)
        m_preview(m_settings, m_caricature, m_face);
}

void CFaceCaricatureDialog::OnValueChanged(FaceFeature feature, int value)
{
    if (m_settings.Get(feature) == value)
        return;
    m_settings.Set(feature, value);
    const auto index = static_cast<std::size_t>(feature);
    // The slider and its field show the same value; setting one must not
    // preview twice.
    {
        const QSignalBlocker sliderBlock(m_sliders[index]);
        const QSignalBlocker fieldBlock(m_fields[index]);
        m_sliders[index]->setValue(m_settings.Get(feature));
        m_fields[index]->setValue(m_settings.Get(feature));
    }
    ShowPreview();
}

void CFaceCaricatureDialog::OnNextFace()
{
    if (m_faceCount < 2)
        return;
    m_face = (m_face + 1) % m_faceCount;
    ShowWhichFace();
    ShowPreview();
}

void CFaceCaricatureDialog::ShowWhichFace()
{
    m_whichFace->setText(LoadQString(IDS_FACE_WHICH).arg(m_face + 1).arg(m_faceCount));
}
