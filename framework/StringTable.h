#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The German string table for Qt code.
#include <QString>

// The text of string id, or an empty string when the table has none.
QString LoadQString(int id);
