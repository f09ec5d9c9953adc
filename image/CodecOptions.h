#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The options record handed to SetHeader: quality then progressive flag.
// Only the JPEG codec reads it; the others ignore it.
#include <cstdint>

struct CodecOptions {
    std::int32_t quality = 100;     // 0..100
    bool progressive = false;
};
