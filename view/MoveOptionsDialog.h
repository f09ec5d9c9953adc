#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Asks for the document's deformation radius of the move-point tool (1 to 1000).
#include <QDialog>
#include <cstdint>
#include "session/ToolLimits.h"

class QLineEdit;

class CMoveOptionsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr std::uint32_t kMinRadius = tool_limits::kMovePointRadius.minimum;
    static constexpr std::uint32_t kMaxRadius = tool_limits::kMovePointRadius.maximum;

    explicit CMoveOptionsDialog(QWidget* parent = nullptr);

    // Fills the field from m_nRadius, then runs modally.
    int DoModal();
    void OnInitDialog();
    // Validates the field; on success stores it in m_nRadius and closes with OK.
    void OnOK();

    QLineEdit* RadiusField() const { return m_radiusField; }

    std::uint32_t m_nRadius = 0;

private:
    QLineEdit* m_radiusField;
};
