// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/FileFilter.h"

QStringList ConvertFileFilter(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts[i].trimmed();
        if (name.isEmpty())
            break;  // the "||" that ends the list
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            pattern = pattern.trimmed();
        const QString joined = patterns.join(QLatin1Char(' '));
        // Qt reads the patterns from the name's last parentheses: a name that
        // already shows exactly them stays as it is.
        if (name.endsWith(QLatin1Char('(') + joined + QLatin1Char(')')) || joined.isEmpty())
            result.append(name);
        else
            result.append(name + QLatin1String(" (") + joined + QLatin1Char(')'));
    }
    return result;
}
