// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/StringTable.h"

#include "resources/StringTable.h"

QString LoadQString(int id)
{
    return QString::fromStdString(GermanString(id));
}
