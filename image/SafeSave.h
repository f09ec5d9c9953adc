#pragma once
// Saving that never destroys the previous file: the codec writes a temporary
// file in the target's folder, which is renamed over the target only after the
// codec succeeded. On failure the temporary file is removed and the exception
// of the codec (or a CFileException for the rename) reaches the caller.
#include <string>

#include "image/DibImage.h"

void SavePictureSafely(CDibImage& codec, const std::string& path);
