#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a Grimasso document (see DocumentLayout.h) from the state of one
// picture, borrowed for the time of the call.
#include <cstdint>
#include <string>
#include <vector>

#include "deform/WarpField.h"
#include "session/DocumentDescription.h"

struct DocumentParts {
    DocumentDescription description;
    const std::uint8_t* original = nullptr;  // undeformed 24-bit rows, bottom-up
    const std::uint8_t* deformed = nullptr;  // the picture as it shows now, or null: rendered from the map
    const MapEntry* map = nullptr;
    const MapEntry* undoMap = nullptr;       // with description.canUndo only
    // The undeformed picture already encoded by EncodeDocumentPicture, or null
    // to encode it now: recovery copies encode it once per picture.
    const std::vector<std::uint8_t>* encodedPicture = nullptr;
};

// The PNG of the undeformed picture as the document keeps it.
std::vector<std::uint8_t> EncodeDocumentPicture(std::int32_t width, std::int32_t height, const std::uint8_t* rows);

// Writes the document to path, creating or truncating it. Raises
// CFileException(hardIO) when it cannot be written completely,
// CFileException(generic) when it cannot be created, CMemoryException.
void WriteDocument(const DocumentParts& parts, const std::string& path);
