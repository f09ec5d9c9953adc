#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The German name of a format we recognise but do not open.
#include "image/CodecChoice.h"

// The string id naming format, or 0 for ForeignFormat::None.
int ForeignFormatNameId(ForeignFormat format);
