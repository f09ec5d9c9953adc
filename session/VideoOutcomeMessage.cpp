// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/VideoOutcomeMessage.h"

#include "resources/StringIds.h"

int MessageIdForOutcome(VideoExportOutcome outcome)
{
    switch (outcome) {
    case VideoExportOutcome::OpenFailed:
        return IDS_VIDEO_OPEN_FAILED;
    case VideoExportOutcome::StreamFailed:
        return IDS_VIDEO_STREAM_FAILED;
    case VideoExportOutcome::WriteFailed:
        return IDS_VIDEO_WRITE_FAILED;
    case VideoExportOutcome::OutOfMemory:
        return IDS_VIDEO_OUT_OF_MEMORY;
    case VideoExportOutcome::OntoPicture:
        return IDS_VIDEO_ONTO_PICTURE;
    case VideoExportOutcome::Done:
    case VideoExportOutcome::Cancelled:
        break;
    }
    return 0;
}
