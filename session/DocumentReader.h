#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Reads a Grimasso document (see DocumentLayout.h). Every part's checksum is
// verified; the sizes the description gives are checked against each other,
// against the parts' sizes in the archive's directory and against the file's
// length before anything of their size is allocated. Whatever is wrong raises
// DocumentError (an archive failure naming what was wrong), CMemoryException
// or, for a file that cannot be read, CFileException.
#include <cstddef>
#include <cstdint>
#include <string>

#include "deform/WarpField.h"
#include "image/PixelBuffer.h"
#include "session/DocumentDescription.h"

struct DocumentContents {
    DocumentDescription description;
    PixelBuffer picture;  // undeformed 24-bit rows, bottom-up; empty when not asked for
    MapBuffer map;
    MapBuffer undoMap;    // only with description.canUndo, and only when everything is read
};

// MapOnly (carrying a deformation over): the description and the map; the
// picture and the preview have their checksums checked but are not decoded,
// the undo map is not read at all.
enum class DocumentPartsToRead { Everything, MapOnly };

DocumentContents ReadDocument(const std::string& path, DocumentPartsToRead parts = DocumentPartsToRead::Everything);
DocumentContents ReadDocumentFromMemory(const std::uint8_t* data, std::size_t size,
                                        DocumentPartsToRead parts = DocumentPartsToRead::Everything);

// True when the bytes start like a Grimasso document: a ZIP entry named
// mimetype, stored, holding application/x-grimasso.
bool HasDocumentSignature(const std::uint8_t* bytes, std::size_t count);
// The same for the first bytes of the file at path (false when it cannot be read).
bool IsDocumentFile(const std::string& path);
