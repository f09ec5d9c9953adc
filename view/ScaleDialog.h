#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Asks for the new width and height of the picture (1 to 10000 each). With
// "Seitenverhältnis beibehalten" checked, typing one size sets the other in the
// ratio of the size the dialog opened with.
#include <QDialog>
#include <cstdint>
#include "session/ToolLimits.h"

class QCheckBox;
class QLineEdit;

class CScaleDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr std::uint32_t kMinSize = tool_limits::kScaleSide.minimum;
    static constexpr std::uint32_t kMaxSize = tool_limits::kScaleSide.maximum;

    explicit CScaleDialog(QWidget* parent = nullptr);

    // Fills the controls (height, width, then the check box), then runs modally.
    int DoModal();
    void OnInitDialog();
    // Validates height, then width; only when both are in range are the fields
    // stored and the dialog closed with OK.
    void OnOK();

    QLineEdit* WidthField() const { return m_editWidth; }
    QLineEdit* HeightField() const { return m_editHeight; }
    QCheckBox* KeepAspectCheck() const { return m_checkKeepAspect; }

    std::uint32_t m_nHeight = 0;
    std::uint32_t m_nWidth = 0;
    bool m_bKeepAspect = false;
    bool m_bUpdating = false;

private:
    void OnChangeWidth();
    void OnChangeHeight();
    void OnKeepAspectClicked();
    // The height that belongs to the width text in the opening ratio.
    void SetHeightFromWidth();
    // Writes value into edit without triggering the other field's coupling.
    void WriteCoupled(QLineEdit* edit, std::int64_t value);

    QCheckBox* m_checkKeepAspect;
    QLineEdit* m_editHeight;
    QLineEdit* m_editWidth;
};
