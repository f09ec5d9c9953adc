// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/NumberField.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <limits>

#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"

QLineEdit* CreateDigitsField(QWidget* parent, const QString& objectName)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    return edit;
}

std::uint32_t DecimalValueAtStart(const QString& text)
{
    const QString trimmed = text.trimmed();
    std::uint64_t value = 0;
    for (const QChar c : trimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = value * 10 + static_cast<std::uint64_t>(c.unicode() - '0');
        if (value > std::numeric_limits<std::uint32_t>::max())
            return std::numeric_limits<std::uint32_t>::max();
    }
    return static_cast<std::uint32_t>(value);
}

bool ReadUnsignedInRange(QLineEdit* edit, std::uint32_t minimum, std::uint32_t maximum, std::uint32_t& value)
{
    bool ok = false;
    const qulonglong parsed = edit->text().trimmed().toULongLong(&ok);
    if (ok && parsed >= minimum && parsed <= maximum) {
        value = static_cast<std::uint32_t>(parsed);
        return true;
    }
    AfxMessageBox(LoadQString(IDS_NUMBER_RANGE).arg(minimum).arg(maximum), MessageButtons::Ok, MessageIcon::Warning);
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    return false;
}
