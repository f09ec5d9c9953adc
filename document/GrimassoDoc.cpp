// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/GrimassoDoc.h"

#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <exception>

#include "document/DocumentDialogs.h"
#include "document/PictureLoad.h"
#include "document/RecoveryKeeper.h"
#include "framework/Application.h"
#include "framework/CommandIds.h"
#include "framework/FileSystemName.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "framework/WaitCursor.h"
#include "image/qt/Clipboard.h"
#include "resources/StringIds.h"
#include "session/FailureCause.h"
#include "session/SessionFailure.h"

namespace {

// The file system's spelling of a path, names that are not in the locale's encoding included.
std::string LocalPath(const QString& path)
{
    return FileSystemName(path);
}

// What caused a failure, in words; empty where that is not known.
QString CauseText(const SessionFailure& failure)
{
    const FailureCause cause = CauseOf(failure);
    if (cause.messageId == 0)
        return QString();
    QString text = LoadQString(cause.messageId);
    for (const std::string& argument : cause.arguments)
        text = text.arg(QFile::decodeName(argument.c_str()));
    return text;
}

}  // namespace

CGrimassoDoc::CGrimassoDoc(IDocumentDialogs& dialogs)
    : m_dialogs(dialogs), m_recovery(std::make_unique<CRecoveryKeeper>(*this))
{
}

CGrimassoDoc::~CGrimassoDoc() = default;

void CGrimassoDoc::TakeOver(std::unique_ptr<PictureSession> session)
{
    CWarpField& field = session->Field();
    session->SetChangeListener([this](const PictureArea& area) {
        emit pictureChanged(QRect(QPoint(area.left, area.bottom), QPoint(area.right, area.top)));
    });
    // Every change for good marks the document here, whichever command made it.
    session->SetStateListener([this](bool edited) {
        if (edited)
            SetModifiedFlag(true);
        emit pictureStateChanged();
    });
    m_size = QSize(session->Width(), session->Height());
    m_session = std::move(session);
    m_pWarpField = &field;
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
        const BITMAPINFOHEADER header = image.GetHeader();
        TakeOver(std::make_unique<PictureSession>(header.biWidth, header.biHeight, std::move(image.m_pBits)));
    } catch (const std::exception&) {
        AfxMessageBox(IDS_LOAD_FAILED);
        return false;
    }
    return true;
}

bool CGrimassoDoc::OnOpenDocument(const QString& path)
{
    DeleteContents();
    // Every failure, a file that names no format included, shows the load
    // message: a silent refusal looks as if the click had been ignored. Only
    // a load the user cancelled ends without a word.
    try {
        std::unique_ptr<PictureSession> session = LoadPictureWithProgress(LocalPath(path), TheMainWindow());
        if (!session)
            return false;  // cancelled by the user: nothing to say
        TakeOver(std::move(session));
    } catch (const SessionFailure& failure) {
        // A picture of a format we do not open is named, not called broken.
        if (failure.GetCause() == SessionFailure::Cause::ForeignFormat)
            AfxMessageBox(LoadQString(IDS_LOAD_FOREIGN_FORMAT).arg(LoadQString(failure.FormatNameId())));
        else
            AfxMessageBox(LoadQString(failure.MessageId()), CauseText(failure));
        return false;
    } catch (const std::exception&) {
        AfxMessageBox(IDS_LOAD_FAILED);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

bool CGrimassoDoc::OnSaveDocument(const QString& path)
{
    m_bSaveCancelled = false;
    if (!m_session)
        return false;
    const std::string file = LocalPath(path);
    if (PictureSession::SavesAsJpeg(file)) {
        // Fresh settings for every JPEG save; nothing is remembered.
        const std::optional<CodecOptions> options = m_dialogs.AskJpegOptions();
        if (!options) {
            // Abandoned: nothing written, path, title and modified flag stay.
            m_bSaveCancelled = true;
            return false;
        }
        // The dialog ran its own event loop: ask for the session afresh.
        if (!m_session)
            return false;
        m_session->JpegOptions() = *options;
    }
    try {
        CWaitCursor wait;
        m_session->Save(file);
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
    QString chosen = PromptFileName(true, LoadQString(IDS_DOC_SAVE_AS_TITLE), LoadQString(IDS_SAVE_FILTER),
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

void CGrimassoDoc::SetShownFace(const FoundFace* face)
{
    if (face)
        m_shownFace = *face;
    else
        m_shownFace.reset();
    // The marks lie anywhere on the picture: every view repaints it.
    if (m_size.isValid())
        emit pictureChanged(QRect(0, 0, m_size.width(), m_size.height()));
}

void CGrimassoDoc::DeleteContents()
{
    m_shownFace.reset();
    m_recovery->Discard();
    m_pWarpField = nullptr;
    m_session.reset();
    CDocument::DeleteContents();
}

void CGrimassoDoc::OnFileSaveAs()
{
    DoSave(QString());
}

void CGrimassoDoc::OnEditCopy()
{
    if (!m_session)
        return;
    BITMAPINFOHEADER header;
    const std::uint8_t* rows = nullptr;
    m_session->GetPicture(header, rows);
    if (!CopyPictureToClipboard(header, rows))
        AfxMessageBox(IDS_CLIPBOARD_FAILED);
}

void CGrimassoDoc::OnScaleImage()
{
    if (!m_session)
        return;
    SetShowOriginal(false);  // the dialog is about the deformed picture
    const std::optional<QSize> size = m_dialogs.AskScaledSize(m_size);
    // The dialog ran its own event loop: ask for the session afresh.
    if (!size || !m_session)
        return;
    {
        CWaitCursor wait;
        bool copied = false;
        try {
            const std::unique_ptr<PictureSession> scaled = m_session->Rescaled(size->width(), size->height());
            BITMAPINFOHEADER header;
            const std::uint8_t* rows = nullptr;
            scaled->GetPicture(header, rows);
            copied = CopyPictureToClipboard(header, rows);
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
    SetShowOriginal(false);  // the video is about the deformed picture
    if (m_session)
        m_dialogs.CreateVideo(*m_session);
}

void CGrimassoDoc::OnApplyDeformation()
{
    if (!m_session)
        return;
    const QString path = m_dialogs.AskDocumentToApply();
    // The dialog ran its own event loop: ask for the session afresh.
    if (path.isEmpty() || !m_session)
        return;
    try {
        CWaitCursor wait;
        m_session->ApplyDeformation(LocalPath(path));
    } catch (const std::exception&) {
        AfxMessageBox(IDS_LOAD_FAILED);
    }
}

bool CGrimassoDoc::OnCmdMsg(int id)
{
    switch (id) {
    case ID_APPLY_DEFORMATION:
        OnApplyDeformation();
        return true;
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
    case ID_APPLY_DEFORMATION:
        ui.Enable(m_session != nullptr);
        return true;
    default:
        return CDocument::OnUpdateCmdUI(ui);
    }
}
