#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Large pixel and map blocks, backed by huge pages where the system allows it.
// A 24-megapixel document holds over half a gigabyte; with 4 KiB pages filling
// it costs more in page faults than in the copying itself.
#include <cstddef>

// Returns size bytes aligned for any type, or null when memory runs out.
void* AllocateLarge(std::size_t size);
void FreeLarge(void* block);
