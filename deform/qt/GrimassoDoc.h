#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The document of one open picture. It owns the warp field (undeformed picture,
// deformation, deformed picture), loads a picture from a file or the clipboard,
// saves the deformed picture in the format named by the file's ending, and
// carries the commands Save As, Copy, Scale picture and Create video.
#include <QSize>
#include <QString>
#include <memory>
#include <string>

#include "deform/WarpField.h"
#include "framework/Document.h"

class CDibImage;

class CGrimassoDoc : public CDocument {
    Q_OBJECT
public:
    // The move-point radius every new picture starts with.
    static constexpr std::int32_t kInitialRadius = 20;

    CGrimassoDoc();
    ~CGrimassoDoc() override;

    // Picture size in pixels (width, height) of the last successful load.
    QSize GetPictureSize() const { return m_size; }
    // The picture and its deformation; null before a load and after DeleteContents.
    CWarpField* GetWarpField() const { return m_pWarpField.get(); }

    bool OnNewDocument() override;
    bool OnOpenDocument(const QString& path) override;
    // Writes the deformed picture; false on failure and when the user cancelled
    // the JPEG settings (then nothing is written: see SaveWasCancelled).
    bool OnSaveDocument(const QString& path) override;
    void DeleteContents() override;
    // An empty path asks for the name with the picture formats' filter and the
    // default ending bmp (Save As); then saves as the base does.
    bool DoSave(const QString& path) override;

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI& ui) override;

    // Commands of the document.
    void OnFileSaveAs();
    void OnEditCopy();
    void OnScaleImage();
    // "Video erzeugen": the video dialog, then the export with its progress window.
    void OnCreateVideo();

    // True when the last OnSaveDocument ended because the JPEG settings were cancelled.
    bool SaveWasCancelled() const { return m_bSaveCancelled; }

protected:
    // A cancelled JPEG dialog is no failure worth a message.
    void ReportSaveFailure(const QString& path) override;

private:
    // Reads path with codec, converts to 24 bits and takes the picture over.
    void LoadPicture(CDibImage& codec, const std::string& path);
    // Writes the deformed picture with codec (options already set) to path,
    // never destroying an existing file on failure.
    void SavePicture(CDibImage& codec, const std::string& path, const void* options);
    // The common end of every load: the 24-bit picture of image becomes the warp field.
    void TakeOverPicture(CDibImage& image);

    QSize m_size;
    std::unique_ptr<CWarpField> m_pWarpField;
    bool m_bSaveCancelled = false;
};
