#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's answers to the document's questions: the JPEG settings, the
// scale dialog and the video command, each over the main window.
#include "document/DocumentDialogs.h"

class CEditorDialogs : public IDocumentDialogs {
public:
    std::optional<CodecOptions> AskJpegOptions() override;
    std::optional<QSize> AskScaledSize(QSize size) override;
    void CreateVideo(PictureSession& session) override;
    QString AskDocumentToApply() override;
};

// The one the editor's documents share.
IDocumentDialogs& EditorDialogs();
