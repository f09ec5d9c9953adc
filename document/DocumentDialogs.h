#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The questions the document's commands put to the user. The editor's command
// side answers them with its dialogs; the document opens none itself and only
// receives the answers.
#include <QSize>
#include <QString>
#include <optional>

#include "image/CodecOptions.h"

class PictureSession;

class IDocumentDialogs {
public:
    virtual ~IDocumentDialogs() = default;
    // The JPEG settings of one save, or nothing when the user cancelled.
    virtual std::optional<CodecOptions> AskJpegOptions() = 0;
    // The new size for a picture of size, or nothing when the user cancelled.
    virtual std::optional<QSize> AskScaledSize(QSize size) = 0;
    // "Video erzeugen": asks for the video's settings and file, then writes the
    // video of session with a progress window and reports a failure.
    virtual void CreateVideo(PictureSession& session) = 0;
    // "Verformung übertragen": the Grimasso document whose deformation is to be
    // carried over, or an empty path when the user cancelled.
    virtual QString AskDocumentToApply() = 0;
};
