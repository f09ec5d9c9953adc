// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/Document.h"

#include <QFileInfo>
#include <QPointer>

#include "framework/Application.h"
#include "framework/CommandIds.h"
#include "framework/DocManager.h"
#include "framework/DocTemplate.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "framework/View.h"
#include "resources/StringIds.h"

CDocument::CDocument() = default;

CDocument::~CDocument() = default;

bool CDocument::OnNewDocument()
{
    DeleteContents();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnOpenDocument(const QString&)
{
    DeleteContents();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnSaveDocument(const QString&)
{
    SetModifiedFlag(false);
    return true;
}

void CDocument::DeleteContents() {}

bool CDocument::SaveModified()
{
    if (!IsModified())
        return true;
    const QString question = LoadQString(IDS_ASK_TO_SAVE).arg(GetTitle());
    switch (AfxMessageBox(question, MessageButtons::YesNoCancel, MessageIcon::Question)) {
    case MessageResult::Yes:
        return DoFileSave();
    case MessageResult::No:
        return true;
    default:
        return false;
    }
}

bool CDocument::DoFileSave()
{
    return DoSave(GetPathName());
}

bool CDocument::DoSave(const QString& path)
{
    QString target = path;
    if (target.isEmpty()) {
        const CDocTemplate* docTemplate = GetDocTemplate();
        const QString filter = docTemplate ? docTemplate->SaveFilter() : QString();
        QString suffix = docTemplate ? docTemplate->FilterExtension() : QString();
        if (suffix.startsWith(QLatin1Char('.')))
            suffix.remove(0, 1);
        target = PromptFileName(true, LoadQString(IDS_SAVE_AS_TITLE), filter, suffix, GetTitle());
        if (target.isEmpty())
            return false;  // cancelled
    }
    if (!OnSaveDocument(target)) {
        ReportSaveFailure(target);
        return false;
    }
    if (target != GetPathName())
        SetPathName(target, true);
    return true;
}

void CDocument::ReportSaveFailure(const QString&)
{
    AfxMessageBox(IDS_SAVE_FAILED);
}

void CDocument::OnCloseDocument()
{
    // The windows go one by one; the last one's removal discards the document,
    // so nothing of this object may be touched after the loop.
    m_bClosing = true;
    const QPointer<CDocument> self(this);
    const QList<CView*> views = m_viewList;
    for (CView* view : views) {
        QWidget* frame = view->GetParentFrame();
        if (frame && frame != view) {
            frame->close();
        } else {
            delete view;
        }
        if (!self)
            return;
    }
    if (self)
        m_bClosing = false;
}

bool CDocument::CanCloseFrame(CView* closingView)
{
    if (m_bClosing)
        return true;
    for (CView* view : m_viewList) {
        if (view != closingView)
            return true;  // another window still shows the document
    }
    return SaveModified();
}

bool CDocument::OnCmdMsg(int id)
{
    switch (id) {
    case ID_FILE_SAVE:
        DoFileSave();
        return true;
    case ID_FILE_SAVE_AS:
        DoSave(QString());
        return true;
    case ID_FILE_CLOSE:
        if (SaveModified())
            OnCloseDocument();
        return true;
    default:
        return false;
    }
}

bool CDocument::OnUpdateCmdUI(CCmdUI& ui)
{
    return ui.m_nID == ID_FILE_SAVE || ui.m_nID == ID_FILE_SAVE_AS || ui.m_nID == ID_FILE_CLOSE;
}

void CDocument::SetModifiedFlag(bool modified)
{
    const bool changed = m_bModified != modified;
    m_bModified = modified;
    if (changed)
        emit modifiedChanged();
    if (modified)
        emit changesMarked();
}

void CDocument::SetPathName(const QString& path, bool addToRecentFiles)
{
    m_strPathName = QFileInfo(path).absoluteFilePath();
    SetTitle(QFileInfo(path).fileName());
    if (addToRecentFiles)
        TheDocManager().AddToRecentFileList(m_strPathName);
}

void CDocument::SetTitle(const QString& title)
{
    if (m_strTitle == title)
        return;
    m_strTitle = title;
    emit titleChanged();
}

void CDocument::AddView(CView* view)
{
    if (view && !m_viewList.contains(view)) {
        m_viewList.append(view);
        emit viewListChanged();
    }
}

void CDocument::RemoveView(CView* view)
{
    if (!m_viewList.removeOne(view))
        return;
    emit viewListChanged();
    if (m_viewList.isEmpty())
        emit lastViewRemoved(this);
}

void CDocument::UpdateAllViews(CView* sender, int hint)
{
    const QList<CView*> views = m_viewList;
    for (CView* view : views) {
        if (view != sender)
            view->OnUpdate(sender, hint);
    }
}
