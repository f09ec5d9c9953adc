#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The one document manager of the application: opens documents (or activates
// an open one), creates the paste-as-new documents, opens further windows on a
// document, asks before modified documents close, and keeps the recent-file
// list of 4 entries in the settings ("Haxel", "Grimasso").
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>

class CDocTemplate;
class CDocument;
class CView;
class QMdiArea;
class QMdiSubWindow;

class CDocManager : public QObject {
    Q_OBJECT
public:
    CDocManager();
    ~CDocManager() override;

    // The document type (owned) and the area that holds the child frames.
    void SetDocTemplate(std::unique_ptr<CDocTemplate> docTemplate);
    CDocTemplate* GetDocTemplate() const { return m_pTemplate.get(); }
    void SetMdiArea(QMdiArea* area) { m_pMdiArea = area; }
    QMdiArea* GetMdiArea() const { return m_pMdiArea; }

    // Activates the window of path when that file is open already; otherwise
    // creates document, child frame and view, loads the file, and on success
    // adds the path to the recent-file list. Null on failure (everything new
    // is discarded again).
    CDocument* OpenDocumentFile(const QString& path);
    // Creates a document with its window and calls OnNewDocument (the paste-as-
    // new-picture path); null when that fails.
    CDocument* OpenNewDocument();
    // Opens the file at path as a new document without a path, named title and
    // modified (a recovered copy); not added to the recent files. Null on failure.
    CDocument* OpenDocumentCopy(const QString& path, const QString& title);
    // Another window on document ("Neues Fenster"); null without a template.
    CView* CreateNewWindow(CDocument* document);

    // Offers to save every modified document; false when the user cancelled.
    bool SaveAllModified();
    // Closes every document without asking.
    void CloseAllDocuments();
    QList<CDocument*> Documents() const { return m_documents; }
    // The open document whose path is path, or null.
    CDocument* FindOpenDocument(const QString& path) const;
    // Titles the windows of document with its title, numbered "Titel:1",
    // "Titel:2", ... while it has more than one window.
    void UpdateFrameTitles(CDocument* document) const;

    // Recent files, most recent first; at most 4, stored at once.
    QStringList RecentFiles() const { return m_recentFiles; }
    void AddToRecentFileList(const QString& path);
    void RemoveFromRecentFileList(int index);
    // Opens recent entry index (0 .. 3); an entry that cannot be opened leaves the list.
    CDocument* OpenRecentFile(int index);

signals:
    void recentFilesChanged();
    void documentsChanged();

protected:
    // Closing a document window asks the document first (CanCloseFrame).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CDocument* CreateDocument();
    CView* CreateViewAndFrame(CDocument* document, QMdiSubWindow** frame);
    void ShowFrame(QMdiSubWindow* frame, CView* view);
    void AddDocument(CDocument* document);
    void DiscardDocument(CDocument* document);
    void LoadRecentFiles();
    void StoreRecentFiles() const;

    std::unique_ptr<CDocTemplate> m_pTemplate;
    QMdiArea* m_pMdiArea = nullptr;
    QList<CDocument*> m_documents;
    QList<QPointer<CDocument>> m_discarded;  // closed, waiting for deferred deletion
    QStringList m_recentFiles;
    int m_nUntitledCount = 0;
};
