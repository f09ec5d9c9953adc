#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of a Grimasso document, a ZIP archive that ordinary tools open:
//   mimetype                  first, stored uncompressed: application/x-grimasso
//   description               the text of DocumentDescription, stored
//   picture.png               the undeformed picture, lossless
//   Thumbnails/thumbnail.png  the deformed picture, at most 256 pixels a side
//   map.bin                   the map: width x height entries, rows from the
//                             bottom, each the source column and row less the
//                             pixel's own, modulo 65536, as little-endian
//                             16-bit numbers (zero where nothing moved); deflated
//   undo-map.bin              the map the latest gesture started from, each
//                             entry less the map's entry there (zero outside
//                             the gesture), the same way; only with undo=1
#include <cstddef>
#include <string_view>

namespace document_layout {

constexpr std::string_view kMimeType = "application/x-grimasso";
constexpr const char* kMimeTypeEntry = "mimetype";
constexpr const char* kDescriptionEntry = "description";
constexpr const char* kPictureEntry = "picture.png";
constexpr const char* kPreviewEntry = "Thumbnails/thumbnail.png";
constexpr const char* kMapEntry = "map.bin";
constexpr const char* kUndoMapEntry = "undo-map.bin";

// Bytes of one map entry in the file.
constexpr std::size_t kMapEntryBytes = 4;
// The longest side of the preview.
constexpr int kPreviewSide = 256;
// The description is a few lines; anything longer is not one.
constexpr std::size_t kMaxDescriptionBytes = 4096;

}  // namespace document_layout
