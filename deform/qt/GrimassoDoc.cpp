// SPDX-License-Identifier: GPL-3.0-or-later
#include "deform/qt/GrimassoDoc.h"

#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <exception>

#include "deform/PictureScaling.h"
#include "framework/Application.h"
#include "framework/CommandIds.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "framework/WaitCursor.h"
#include "image/CodecChoice.h"
#include "image/CodecOptions.h"
#include "image/Exceptions.h"
#include "image/FilePaths.h"
#include "image/JpegImage.h"
#include "image/SafeSave.h"
#include "image/qt/Clipboard.h"
#include "image/qt/JpegDialog.h"
#include "video/qt/VideoCommand.h"
#include "view/ScaleDialog.h"

namespace {

constexpr int IDS_CLIPBOARD_FAILED = 61446;
constexpr int IDS_LOAD_FAILED = 61447;
constexpr int IDS_SAVE_FAILED = 61448;
constexpr int IDS_SAVE_FILTER = 61452;
constexpr int IDS_SAVE_AS_TITLE = 40619;

// The file system's spelling of a path.
std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

}  // namespace

CGrimassoDoc::CGrimassoDoc() = default;

CGrimassoDoc::~CGrimassoDoc() = default;

void CGrimassoDoc::TakeOverPicture(CDibImage& image)
{
    image.m_pColors.clear();
    const BITMAPINFOHEADER header = image.GetHeader();
    auto field = std::make_unique<CWarpField>(header.biWidth, header.biHeight, std::move(image.m_pBits), kInitialRadius);
    m_size = QSize(header.biWidth, header.biHeight);
    m_pWarpField = std::move(field);
}

void CGrimassoDoc::LoadPicture(CDibImage& codec, const std::string& path)
{
    codec.Read(path);
    if (!codec.ConvertTo24Bit())
        throw CArchiveException(CArchiveException::generic);
    TakeOverPicture(codec);
}

bool CGrimassoDoc::OnNewDocument()
{
    if (!CDocument::OnNewDocument())
        return false;
    CDibImage image;
    try {
        PasteFromClipboard(image);
        if (!image.ConvertTo24Bit())
            return false;  // a depth we cannot bring to 24 bits: no message
        TakeOverPicture(image);
    } catch (const std::exception&) {
        AfxMessageBox(IDS_LOAD_FAILED);
        return false;
    }
    return true;
}

bool CGrimassoDoc::OnOpenDocument(const QString& path)
{
    DeleteContents();
    const std::string file = LocalPath(path);
    // Looked at before anything reads it: a named pipe or a device would block.
    // A file that cannot be opened at all takes the usual way below.
    try {
        RequireRegularFile(file);
    } catch (const CFileException& failure) {
        if (failure.m_cause == CFileException::invalidFile) {
            AfxMessageBox(IDS_LOAD_FAILED);
            return false;
        }
    }
    // The format comes from the file's first bytes, the ending is only the
    // fallback. A file that names no format is reported like a broken one: a
    // silent refusal looks as if the click had been ignored.
    std::unique_ptr<CDibImage> codec = CreateCodecForFile(file);
    if (!codec) {
        AfxMessageBox(IDS_LOAD_FAILED);
        return false;
    }
    try {
        CWaitCursor wait;
        LoadPicture(*codec, file);
    } catch (const std::exception&) {
        AfxMessageBox(IDS_LOAD_FAILED);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

void CGrimassoDoc::SavePicture(CDibImage& codec, const std::string& path, const void* options)
{
    BITMAPINFOHEADER header;
    const std::uint8_t* rows = nullptr;
    m_pWarpField->GetPicture(header, rows);
    codec.SetHeader(header.biWidth, header.biHeight, 24, options);
    // The codec only reads the rows: it borrows the warp field's deformed
    // picture instead of a copy of the whole of it.
    const auto size = static_cast<std::size_t>(RowBytes(header.biWidth, 24)) * static_cast<std::size_t>(header.biHeight);
    codec.m_pBits = PixelBuffer::Borrow(rows, size);
    SavePictureSafely(codec, path);
}

bool CGrimassoDoc::OnSaveDocument(const QString& path)
{
    m_bSaveCancelled = false;
    if (!m_pWarpField)
        return false;
    const std::string file = LocalPath(path);
    std::unique_ptr<CDibImage> codec = CreateCodecForPath(file);
    if (!codec)
        return false;

    CodecOptions options;
    if (dynamic_cast<CJpegImage*>(codec.get())) {
        // Fresh settings for every JPEG save; nothing is remembered.
        CJpegDialog dialog(TheMainWindow());
        dialog.m_quality = 100;
        dialog.m_progressive = 0;
        if (dialog.DoModal() != QDialog::Accepted) {
            // Abandoned: nothing written, path, title and modified flag stay.
            m_bSaveCancelled = true;
            return false;
        }
        options.quality = dialog.m_quality;
        options.progressive = dialog.m_progressive;
    }
    try {
        CWaitCursor wait;
        SavePicture(*codec, file, &options);
    } catch (const std::exception&) {
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

bool CGrimassoDoc::DoSave(const QString& path)
{
    if (!path.isEmpty())
        return CDocument::DoSave(path);
    const QString defaultEnding = LoadQString(IDS_DEFAULT_EXTENSION);
    QString chosen = PromptFileName(true, LoadQString(IDS_SAVE_AS_TITLE), LoadQString(IDS_SAVE_FILTER),
                                    defaultEnding, QString());
    if (chosen.isEmpty())
        return false;
    // A name typed without ending is saved as a Windows bitmap.
    if (QFileInfo(chosen).suffix().isEmpty() && !chosen.endsWith(QLatin1Char('.')))
        chosen += QLatin1Char('.') + defaultEnding;
    return CDocument::DoSave(chosen);
}

void CGrimassoDoc::ReportSaveFailure(const QString&)
{
    if (m_bSaveCancelled)
        return;
    AfxMessageBox(IDS_SAVE_FAILED);
}

void CGrimassoDoc::DeleteContents()
{
    m_pWarpField.reset();
    CDocument::DeleteContents();
}

void CGrimassoDoc::OnFileSaveAs()
{
    DoSave(QString());
}

void CGrimassoDoc::OnEditCopy()
{
    if (!m_pWarpField)
        return;
    BITMAPINFOHEADER header;
    const std::uint8_t* rows = nullptr;
    m_pWarpField->GetPicture(header, rows);
    if (!CopyPictureToClipboard(header, rows))
        AfxMessageBox(IDS_CLIPBOARD_FAILED);
}

void CGrimassoDoc::OnScaleImage()
{
    if (!m_pWarpField)
        return;
    BITMAPINFOHEADER header;
    const std::uint8_t* rows = nullptr;
    m_pWarpField->GetPicture(header, rows);

    CScaleDialog dialog(TheMainWindow());
    dialog.m_bKeepAspect = 1;
    dialog.m_nWidth = static_cast<std::uint32_t>(header.biWidth);
    dialog.m_nHeight = static_cast<std::uint32_t>(header.biHeight);
    if (dialog.DoModal() != QDialog::Accepted)
        return;

    {
        CWaitCursor wait;
        // The dialog ran its own event loop: take the picture afresh.
        m_pWarpField->GetPicture(header, rows);
        bool copied = false;
        try {
            const ScaledPicture scaled = ScalePictureNearest(header, rows, static_cast<std::int32_t>(dialog.m_nWidth),
                                                             static_cast<std::int32_t>(dialog.m_nHeight));
            copied = CopyPictureToClipboard(scaled.header, scaled.pixels.data());
        } catch (const std::exception&) {
            copied = false;
        }
        if (!copied) {
            AfxMessageBox(IDS_CLIPBOARD_FAILED);
            return;
        }
    }
    // The application's paste command turns the clipboard into a new document.
    PostCommand(ID_EDIT_PASTE);
}

void CGrimassoDoc::OnCreateVideo()
{
    if (!m_pWarpField)
        return;
    RunVideoCommand(*m_pWarpField, TheMainWindow());
}

bool CGrimassoDoc::OnCmdMsg(int id)
{
    switch (id) {
    case ID_FILE_SAVE_AS:
        OnFileSaveAs();
        return true;
    case ID_EDIT_COPY:
        OnEditCopy();
        return true;
    case ID_SCALE_IMAGE:
        OnScaleImage();
        return true;
    case ID_CREATE_VIDEO:
        OnCreateVideo();
        return true;
    default:
        return CDocument::OnCmdMsg(id);
    }
}

bool CGrimassoDoc::OnUpdateCmdUI(CCmdUI& ui)
{
    switch (ui.m_nID) {
    case ID_FILE_SAVE_AS:
    case ID_EDIT_COPY:
    case ID_SCALE_IMAGE:
    case ID_CREATE_VIDEO:
        ui.Enable(m_pWarpField != nullptr);
        return true;
    default:
        return CDocument::OnUpdateCmdUI(ui);
    }
}
