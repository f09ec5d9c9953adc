// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/ForeignFormatName.h"

#include "resources/StringIds.h"

int ForeignFormatNameId(ForeignFormat format)
{
    switch (format) {
    case ForeignFormat::Gif: return IDS_FORMAT_NAME_GIF;
    case ForeignFormat::Jpeg2000: return IDS_FORMAT_NAME_JPEG2000;
    case ForeignFormat::JpegXl: return IDS_FORMAT_NAME_JPEGXL;
    case ForeignFormat::Psd: return IDS_FORMAT_NAME_PSD;
    case ForeignFormat::CameraRaw: return IDS_FORMAT_NAME_CAMERA_RAW;
    case ForeignFormat::Pdf: return IDS_FORMAT_NAME_PDF;
    case ForeignFormat::None: break;
    }
    return 0;
}
