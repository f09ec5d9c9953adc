#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The document base: a modified flag, a path and a title, the views that show
// it, and the generic Save, Save As and Close commands with the save prompt.
#include <QList>
#include <QObject>
#include <QString>

#include "framework/CmdTarget.h"

class CView;
class CDocTemplate;

class CDocument : public QObject, public CCmdTarget {
    Q_OBJECT
public:
    CDocument();
    ~CDocument() override;

    // Framework hooks; the bool hooks return true for success.
    virtual bool OnNewDocument();                    // clears the contents and the modified flag
    virtual bool OnOpenDocument(const QString& path);  // base: clears the contents
    virtual bool OnSaveDocument(const QString& path);  // base: clears the modified flag
    virtual void DeleteContents();
    // Asks "Änderungen in <Titel> speichern?" when modified; false when the
    // user cancelled or the save failed (the document must then stay open).
    virtual bool SaveModified();
    // Saves under the current path, or asks for one when there is none.
    virtual bool DoFileSave();
    // Saves to path; an empty path asks for a name first (Save As). On success
    // the document takes the path; on failure ReportSaveFailure runs.
    virtual bool DoSave(const QString& path);
    // Closes every window of the document without asking, then the document goes.
    virtual void OnCloseDocument();
    // Whether the window of closingView may close: the last window of a
    // document asks SaveModified first (unless the document is closing anyway).
    virtual bool CanCloseFrame(CView* closingView);

    // Handles ID_FILE_SAVE, ID_FILE_SAVE_AS and ID_FILE_CLOSE.
    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI& ui) override;

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true);

    QString GetPathName() const { return m_strPathName; }
    // Sets the full path and the title (the file name); optionally adds the
    // path to the recent-file list.
    void SetPathName(const QString& path, bool addToRecentFiles = true);
    QString GetTitle() const { return m_strTitle; }
    void SetTitle(const QString& title);

    void AddView(CView* view);
    void RemoveView(CView* view);
    const QList<CView*>& GetViews() const { return m_viewList; }
    // Calls OnUpdate of every view except sender.
    void UpdateAllViews(CView* sender, int hint = 0);

    // The template that created the document (null for documents built by hand).
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    void SetDocTemplate(CDocTemplate* docTemplate) { m_pDocTemplate = docTemplate; }
    // True while OnCloseDocument closes the windows (no further questions then).
    bool IsClosing() const { return m_bClosing; }

signals:
    void titleChanged();
    void modifiedChanged();
    // SetModifiedFlag(true) was called: a change (a gesture, a command) is complete.
    void changesMarked();
    // A view joined or left the document.
    void viewListChanged();
    // The last view has gone: the document manager then discards the document.
    void lastViewRemoved(CDocument* document);

protected:
    // Shown when a save through DoSave fails; the base shows the save error message.
    virtual void ReportSaveFailure(const QString& path);

private:
    bool m_bModified = false;
    bool m_bClosing = false;
    QString m_strPathName;
    QString m_strTitle;
    QList<CView*> m_viewList;
    CDocTemplate* m_pDocTemplate = nullptr;
};
