#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Edit fields for whole numbers in the editor's dialogs: digits only, read back
// with a range check that names the allowed range and keeps the focus there.
#include <QString>
#include <cstdint>

class QLineEdit;
class QWidget;

// A line edit that accepts the digits 0 to 9 only (empty is allowed while typing).
QLineEdit* CreateDigitsField(QWidget* parent, const QString& objectName);

// The decimal number at the start of text: 0 when there is none or it is
// negative; saturates at UINT32_MAX.
std::uint32_t DecimalValueAtStart(const QString& text);

// Reads edit into value when its text is an unsigned whole number from minimum
// to maximum. Otherwise shows the range message, puts the focus into edit with
// its text selected, and returns false with value unchanged.
bool ReadUnsignedInRange(QLineEdit* edit, std::uint32_t minimum, std::uint32_t maximum, std::uint32_t& value);
