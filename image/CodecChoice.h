#pragma once
// Chooses the codec for a file name by its last three characters, ignoring case.
#include <memory>
#include <string>

#include "image/DibImage.h"

// A new codec object for path, or null when its ending names no known format.
std::unique_ptr<CDibImage> CreateCodecForPath(const std::string& path);
