// SPDX-License-Identifier: GPL-3.0-or-later
// The picture session kept as a Grimasso document, and a saved deformation
// carried over to another picture.
#include <cctype>

#include "image/Exceptions.h"
#include "image/SafeSave.h"
#include "resources/StringIds.h"
#include "session/DocumentReader.h"
#include "session/DocumentWriter.h"
#include "session/InstantGestures.h"
#include "session/PictureSession.h"
#include "session/SessionFailure.h"

bool PictureSession::SavesAsDocument(const std::string& path)
{
    static constexpr std::string_view kEnding = ".grimasso";
    if (path.size() < kEnding.size())
        return false;
    for (std::size_t i = 0; i < kEnding.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(path[path.size() - kEnding.size() + i])) != kEnding[i])
            return false;
    return true;
}

std::unique_ptr<PictureSession> PictureSession::OpenDocument(const std::string& path)
{
    try {
        DocumentContents contents = ReadDocument(path);
        const DocumentDescription& description = contents.description;
        auto session = std::make_unique<PictureSession>(description.width, description.height, PixelBuffer{});
        session->m_sourceName = description.sourceName;
        session->m_ownFile = IdentityOfFile(path);
        session->m_radius = description.radius;
        // The field starts from the saved maps, without an identity built first.
        session->m_field = std::make_unique<CWarpField>(
            description.width, description.height, std::move(contents.picture), description.radius,
            CWarpField::SavedState{std::move(contents.map), std::move(contents.undoMap), description.canUndo,
                                   description.lastMode});
        return session;
    } catch (const CException&) {
        throw SessionFailure(IDS_LOAD_FAILED, std::current_exception());
    }
}

void PictureSession::SaveDocument(const std::string& path) const
{
    try {
        DocumentParts parts;
        DocumentDescription& description = parts.description;
        description.width = m_width;
        description.height = m_height;
        description.radius = GetRadius();
        description.sourceName = m_sourceName;
        MapBuffer identity;
        if (m_field) {
            description.canUndo = m_field->CanUndo();
            description.lastMode = m_field->LastMode();
            parts.original = m_field->Original();
            parts.deformed = m_field->Deformed();
            parts.map = m_field->Map();
            parts.undoMap = m_field->UndoMap();
        } else {
            // A picture nobody has deformed yet: its map names every pixel itself.
            identity.resize(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height));
            for (std::int32_t y = 0, i = 0; y < m_height; ++y)
                for (std::int32_t x = 0; x < m_width; ++x, ++i)
                    identity[static_cast<std::size_t>(i)] = MapEntry{x, y};
            parts.original = parts.deformed = m_loadedPixels.data();
            parts.map = identity.data();
        }
        SaveFileSafely([&parts](const std::string& file) { WriteDocument(parts, file); }, path);
    } catch (const std::bad_alloc&) {
        throw SessionFailure(IDS_SAVE_FAILED, std::make_exception_ptr(CMemoryException()));
    } catch (const CException&) {
        throw SessionFailure(IDS_SAVE_FAILED, std::current_exception());
    }
}

void PictureSession::ApplyDeformation(const std::string& documentPath)
{
    DocumentContents saved;
    try {
        saved = ReadDocument(documentPath, DocumentPartsToRead::MapOnly);
    } catch (const CException&) {
        throw SessionFailure(IDS_LOAD_FAILED, std::current_exception());
    }
    RunInstantGesture(std::make_unique<CarriedDeformationGesture>(saved.map.data(), saved.description.width,
                                                                   saved.description.height));
}
