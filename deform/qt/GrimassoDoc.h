#pragma once
// The document of one open picture. It owns the warp field (undeformed picture,
// deformation, deformed picture), loads a picture from a file or the clipboard,
// saves the deformed picture in the format named by the file's ending, and
// carries the commands Save As, Copy and Scale picture.
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
    bool OnSaveDocument(const QString& path) override;
    void DeleteContents() override;
    // Save As uses the document's own dialog (picture filter, default ending bmp).
    bool DoSave(const QString& path) override;

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI& ui) override;

    // Commands of the document.
    void OnFileSaveAs();
    void OnEditCopy();
    void OnScaleImage();

private:
    // Loads path into the document (save false) or writes the deformed picture
    // to it (save true). Raises the codec exceptions; returns false when the
    // ending names no known format, or when the user cancelled the JPEG settings.
    bool LoadSave(const std::string& path, bool save);
    void LoadPicture(const std::string& path);
    bool SavePicture(const std::string& path);
    // The common end of every load: the 24-bit picture of image becomes the warp field.
    void TakeOverPicture(CDibImage& image);

    QSize m_size;
    std::unique_ptr<CWarpField> m_pWarpField;
};
