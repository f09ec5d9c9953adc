// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/VideoDialog.h"

#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "framework/Application.h"
#include "framework/HelpRequest.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "framework/DialogButtons.h"
#include "framework/NumberField.h"
#include "resources/StringIds.h"
#include "view/VideoTimingFields.h"

namespace {

QLineEdit* CreateNumberEdit(QWidget* parent, const QString& objectName)
{
    QLineEdit* edit = CreateDigitsField(parent, objectName);
    edit->setFixedWidth(edit->fontMetrics().averageCharWidth() * 12);
    return edit;
}

}  // namespace

VideoDialog::VideoDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(LoadQString(IDS_VIDEO_TITLE));
    SetHelpTopic(this, IDH_VIDEO);
    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    // Created in tab order: the three edits, the path button, then the button row.
    grid->addWidget(new QLabel(LoadQString(IDS_DURATION_LABEL), this), 0, 0);
    m_editDuration = CreateNumberEdit(this, QStringLiteral("durationEdit"));
    grid->addWidget(m_editDuration, 0, 1);
    grid->addWidget(new QLabel(LoadQString(IDS_MILLISECONDS), this), 0, 2);

    grid->addWidget(new QLabel(LoadQString(IDS_FRAME_RATE_LABEL), this), 1, 0);
    m_editFramesPerSecond = CreateNumberEdit(this, QStringLiteral("framesPerSecondEdit"));
    grid->addWidget(m_editFramesPerSecond, 1, 1);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(new QLabel(LoadQString(IDS_PATH_LABEL), this));
    m_editPath = new QLineEdit(this);
    m_editPath->setMinimumWidth(m_editPath->fontMetrics().averageCharWidth() * 40);
    pathRow->addWidget(m_editPath, 1);
    m_buttonPath = new QPushButton(LoadQString(IDS_CHANGE_PATH), this);
    m_buttonPath->setAutoDefault(false);
    pathRow->addWidget(m_buttonPath);
    grid->addLayout(pathRow, 2, 0, 1, 4);

    m_timingFields = std::make_unique<VideoTimingFields>(this, grid, 3);

    QBoxLayout* buttonRow = CreateDialogButtons(this, Qt::Horizontal);
    m_buttonOk = OkButtonOf(this);
    grid->addLayout(buttonRow, 8, 0, 1, 4);
    grid->setColumnStretch(3, 1);

    connect(m_buttonPath, &QPushButton::clicked, this, &VideoDialog::OnChangePath);
    connect(m_buttonOk, &QPushButton::clicked, this, &VideoDialog::accept);
}

VideoDialog::~VideoDialog() = default;

void VideoDialog::showEvent(QShowEvent* event)
{
    // Every opening starts from the fields the caller set (a window system's
    // own show, such as restoring a minimised window, keeps the entries).
    if (!event->spontaneous()) {
        m_editDuration->setText(QString::number(durationMs));
        m_editFramesPerSecond->setText(QString::number(framesPerSecond));
        m_editPath->setText(path);
        m_timingFields->Show(timing, videoSize, pictureLongSide);
        m_editDuration->setFocus();
        m_editDuration->selectAll();
    }
    QDialog::showEvent(event);
}

void VideoDialog::accept()
{
    std::uint32_t duration = 0;
    std::uint32_t rate = 0;
    if (!ReadUnsignedInRange(m_editDuration, kMinDurationMs, kMaxDurationMs, duration))
        return;
    durationMs = duration;
    if (!ReadUnsignedInRange(m_editFramesPerSecond, kMinFramesPerSecond, kMaxFramesPerSecond, rate))
        return;
    framesPerSecond = rate;
    if (!m_timingFields->Read(timing, videoSize))
        return;
    if (!ReadPath())
        return;
    QDialog::accept();
}

bool VideoDialog::ReadPath()
{
    path = m_editPath->text();
    if (path.isEmpty()) {
        AfxMessageBox(IDS_PATH_TOO_SHORT, MessageButtons::Ok, MessageIcon::None);
        RefuseEntry(m_editPath);
        return false;
    }
    if (isPictureFile && isPictureFile(path)) {
        AfxMessageBox(IDS_VIDEO_ONTO_PICTURE, MessageButtons::Ok, MessageIcon::Warning);
        RefuseEntry(m_editPath);
        return false;
    }
    // The old file stays until the finished video replaces it: a cancelled or
    // failed export leaves it as it was.
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isDir() &&
        AfxMessageBox(IDS_ASK_OVERWRITE, MessageButtons::YesNo, MessageIcon::Question) != MessageResult::Yes) {
        RefuseEntry(m_editPath);
        return false;
    }
    return true;
}

void VideoDialog::RefuseEntry(QLineEdit* edit)
{
    edit->setFocus();
    edit->selectAll();
}

void VideoDialog::OnChangePath()
{
    // OK asks about overwriting; the chooser must not ask as well.
    const QString chosen = PromptFileName(true, LoadQString(IDS_SAVE_AS_TITLE), LoadQString(IDS_VIDEO_FILTER),
                                          LoadQString(IDS_VIDEO_EXTENSION), m_editPath->text(), false);
    if (!chosen.isEmpty())
        m_editPath->setText(chosen);
}
