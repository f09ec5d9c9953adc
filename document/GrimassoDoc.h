#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The document of one open picture: a picture session (the picture, its
// deformation and everything that happens to them) plus what only a window
// needs: opening from a file or the clipboard with a message on failure, the
// modified flag, Save As, Copy, and the scale and video commands, whose
// questions the editor's dialogs answer.
#include <QRect>
#include <QSize>
#include <QString>
#include <memory>
#include <optional>

#include "face/FoundFace.h"
#include "framework/Document.h"
#include "session/PictureSession.h"

class IDocumentDialogs;
class CRecoveryKeeper;

class CGrimassoDoc : public CDocument {
    Q_OBJECT
public:
    // The move-point radius every new picture starts with.
    static constexpr std::int32_t kInitialRadius = PictureSession::kInitialRadius;

    explicit CGrimassoDoc(IDocumentDialogs& dialogs);
    ~CGrimassoDoc() override;

    // Picture size in pixels (width, height) of the last successful load.
    QSize GetPictureSize() const { return m_size; }
    // The picture session; null before a load and after DeleteContents.
    PictureSession* GetSession() const { return m_session.get(); }
    // Its warp field (undeformed picture, deformation, deformed picture).
    CWarpField* GetWarpField() const { return m_pWarpField; }

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
    // "Verformung übertragen": a saved document's deformation as one gesture.
    void OnApplyDeformation();

    // "Original anzeigen" and "Gitter anzeigen": how every view of the document
    // shows the picture. Neither is ever saved, copied or exported; switching
    // repaints every view.
    bool ShowsOriginal() const { return m_bShowOriginal; }
    bool ShowsGrid() const { return m_bShowGrid; }
    void SetShowOriginal(bool on);
    void SetShowGrid(bool on);

    // True when the last OnSaveDocument ended because the JPEG settings were cancelled.
    bool SaveWasCancelled() const { return m_bSaveCancelled; }
    // The keeper of the document's recovery copy.
    CRecoveryKeeper& Recovery() const { return *m_recovery; }

    // The face the face dialog works on: every view draws its box and points
    // while one is set (null for none).
    const FoundFace* GetShownFace() const { return m_shownFace ? &*m_shownFace : nullptr; }
    void SetShownFace(const FoundFace* face);

signals:
    // A box of the deformed picture changed: picture pixels, x from the left,
    // y from the bottom row, both corners inclusive.
    void pictureChanged(const QRect& area);
    // A gesture began or ended, the history gained a step or moved, or what
    // the views show switched (original, grid): command states may change.
    void pictureStateChanged();

protected:
    // A cancelled JPEG dialog is no failure worth a message.
    void ReportSaveFailure(const QString& path) override;

private:
    // session becomes the document's picture; its warp field is built now, so a
    // lack of memory shows at opening and not at the first gesture.
    void TakeOver(std::unique_ptr<PictureSession> session);

    IDocumentDialogs& m_dialogs;
    QSize m_size;
    std::unique_ptr<PictureSession> m_session;
    CWarpField* m_pWarpField = nullptr;
    // After the session: goes first, while the pixels its writer reads still exist.
    std::unique_ptr<CRecoveryKeeper> m_recovery;
    bool m_bSaveCancelled = false;
    std::optional<FoundFace> m_shownFace;
    bool m_bShowOriginal = false;
    bool m_bShowGrid = false;
};
