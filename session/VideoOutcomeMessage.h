#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The message a failed video export shows, chosen by those who show it.
#include "video/VideoExport.h"

// The string-table id for outcome: the open, stream, write or memory message,
// or 0 for an export that did not fail.
int MessageIdForOutcome(VideoExportOutcome outcome);
