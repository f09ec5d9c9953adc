// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/DocManager.h"

#include <QEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>

#include "framework/CommandIds.h"
#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/StringTable.h"
#include "framework/View.h"
#include "resources/StringIds.h"

namespace {

const char* const kRecentFileSection = "Recent File List";

QString RecentFileKey(int index)
{
    return QStringLiteral("File%1").arg(index + 1);
}

// Two spellings of one file compare equal once links and "." are resolved.
QString NormalizedPath(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

}  // namespace

CDocManager::CDocManager()
{
    LoadRecentFiles();
}

CDocManager::~CDocManager()
{
    // The windows are gone by now; documents still listed or still waiting
    // for deletion are deleted here.
    for (const QPointer<CDocument>& discarded : m_discarded)
        delete discarded.data();
    const QList<CDocument*> documents = m_documents;
    m_documents.clear();
    for (CDocument* document : documents) {
        disconnect(document, nullptr, this, nullptr);
        document->DeleteContents();
        delete document;
    }
}

void CDocManager::SetDocTemplate(std::unique_ptr<CDocTemplate> docTemplate)
{
    m_pTemplate = std::move(docTemplate);
}

CDocument* CDocManager::FindOpenDocument(const QString& path) const
{
    if (path.isEmpty())
        return nullptr;
    const QString wanted = NormalizedPath(path);
    for (CDocument* document : m_documents) {
        if (!document->GetPathName().isEmpty() && NormalizedPath(document->GetPathName()) == wanted)
            return document;
    }
    return nullptr;
}

CDocument* CDocManager::OpenDocumentFile(const QString& path)
{
    if (path.isEmpty() || !m_pTemplate)
        return nullptr;
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    if (CDocument* open = FindOpenDocument(fullPath)) {
        if (!open->GetViews().isEmpty())
            ShowFrame(nullptr, open->GetViews().constFirst());
        return open;
    }

    CDocument* document = CreateDocument();
    if (!document)
        return nullptr;
    QMdiSubWindow* frame = nullptr;
    CView* view = CreateViewAndFrame(document, &frame);
    if (!view || !document->OnOpenDocument(fullPath)) {
        if (frame)
            delete frame;  // takes the view with it
        else
            delete view;
        delete document;
        return nullptr;
    }
    document->SetPathName(fullPath, false);
    AddToRecentFileList(fullPath);
    AddDocument(document);
    ShowFrame(frame, view);
    return document;
}

CDocument* CDocManager::OpenDocumentCopy(const QString& path, const QString& title)
{
    if (path.isEmpty() || !m_pTemplate)
        return nullptr;
    CDocument* document = CreateDocument();
    if (!document)
        return nullptr;
    QMdiSubWindow* frame = nullptr;
    CView* view = CreateViewAndFrame(document, &frame);
    if (!view || !document->OnOpenDocument(path)) {
        if (frame)
            delete frame;  // takes the view with it
        else
            delete view;
        delete document;
        return nullptr;
    }
    document->SetTitle(title);
    document->SetModifiedFlag(true);
    AddDocument(document);
    ShowFrame(frame, view);
    return document;
}

CDocument* CDocManager::OpenNewDocument()
{
    if (!m_pTemplate)
        return nullptr;
    CDocument* document = CreateDocument();
    if (!document)
        return nullptr;
    QMdiSubWindow* frame = nullptr;
    CView* view = CreateViewAndFrame(document, &frame);
    // Like "Grima1", "Grima2": a failed attempt does not use up a number.
    document->SetTitle(m_pTemplate->DocumentName() + QString::number(m_nUntitledCount + 1));
    if (!view || !document->OnNewDocument()) {
        if (frame)
            delete frame;
        else
            delete view;
        delete document;
        return nullptr;
    }
    ++m_nUntitledCount;
    AddDocument(document);
    ShowFrame(frame, view);
    return document;
}

CView* CDocManager::CreateNewWindow(CDocument* document)
{
    if (!document || !m_pTemplate || !m_documents.contains(document))
        return nullptr;
    QMdiSubWindow* frame = nullptr;
    CView* view = CreateViewAndFrame(document, &frame);
    if (!view)
        return nullptr;
    ShowFrame(frame, view);
    return view;
}

bool CDocManager::SaveAllModified()
{
    const QList<CDocument*> documents = m_documents;
    for (CDocument* document : documents) {
        if (!document->SaveModified())
            return false;
    }
    return true;
}

void CDocManager::CloseAllDocuments()
{
    const QList<CDocument*> documents = m_documents;
    for (CDocument* document : documents) {
        if (m_documents.contains(document))
            document->OnCloseDocument();
    }
}

CDocument* CDocManager::CreateDocument()
{
    if (!m_pTemplate->createDocument)
        return nullptr;
    CDocument* document = m_pTemplate->createDocument();
    if (document)
        document->SetDocTemplate(m_pTemplate.get());
    return document;
}

CView* CDocManager::CreateViewAndFrame(CDocument* document, QMdiSubWindow** frame)
{
    *frame = nullptr;
    if (!m_pTemplate->createView)
        return nullptr;
    CView* view = m_pTemplate->createView(document);
    if (!view)
        return nullptr;
    if (m_pMdiArea) {
        if (m_pTemplate->createFrame) {
            *frame = m_pTemplate->createFrame(view);
        } else {
            *frame = new QMdiSubWindow;
            (*frame)->setWidget(view);
            (*frame)->setAttribute(Qt::WA_DeleteOnClose);
        }
        (*frame)->installEventFilter(this);
    }
    return view;
}

void CDocManager::ShowFrame(QMdiSubWindow* frame, CView* view)
{
    if (!frame) {
        // An open document's window: bring it to the front, restored.
        QWidget* existing = view->GetParentFrame();
        frame = qobject_cast<QMdiSubWindow*>(existing);
        if (!frame) {
            existing->show();
            existing->activateWindow();
            return;
        }
        if (frame->isMinimized())
            frame->showNormal();
        if (m_pMdiArea)
            m_pMdiArea->setActiveSubWindow(frame);
        return;
    }
    m_pMdiArea->addSubWindow(frame);
    UpdateFrameTitles(view->GetDocument());
    // A new window starts at three quarters of the area; the view may shrink it to its picture.
    const QSize area = m_pMdiArea->viewport()->size();
    if (area.width() > 100 && area.height() > 100)
        frame->resize(area * 3 / 4);
    view->OnInitialUpdate();
    frame->show();
    m_pMdiArea->setActiveSubWindow(frame);
    view->setFocus();
}

bool CDocManager::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close) {
        auto* frame = qobject_cast<QMdiSubWindow*>(watched);
        CView* view = frame ? qobject_cast<CView*>(frame->widget()) : nullptr;
        CDocument* document = view ? view->GetDocument() : nullptr;
        if (document && !document->CanCloseFrame(view)) {
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void CDocManager::AddDocument(CDocument* document)
{
    m_documents.append(document);
    connect(document, &CDocument::lastViewRemoved, this, &CDocManager::DiscardDocument);
    connect(document, &CDocument::titleChanged, this, [this, document] { UpdateFrameTitles(document); });
    connect(document, &CDocument::viewListChanged, this, [this, document] { UpdateFrameTitles(document); });
    emit documentsChanged();
}

void CDocManager::UpdateFrameTitles(CDocument* document) const
{
    if (!document)
        return;
    const QList<CView*>& views = document->GetViews();
    int number = 0;
    for (CView* view : views) {
        ++number;
        QWidget* frame = view->GetParentFrame();
        if (!frame)
            continue;
        QString title = document->GetTitle();
        if (views.size() > 1)
            title += QLatin1Char(':') + QString::number(number);
        frame->setWindowTitle(title);
    }
}

void CDocManager::DiscardDocument(CDocument* document)
{
    if (!m_documents.removeOne(document))
        return;
    disconnect(document, nullptr, this, nullptr);
    document->DeleteContents();
    document->deleteLater();
    m_discarded.removeAll(nullptr);
    m_discarded.append(document);
    emit documentsChanged();
}

void CDocManager::AddToRecentFileList(const QString& path)
{
    if (path.isEmpty())
        return;
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    m_recentFiles.removeAll(fullPath);
    m_recentFiles.prepend(fullPath);
    while (m_recentFiles.size() > kRecentFileCount)
        m_recentFiles.removeLast();
    StoreRecentFiles();
    emit recentFilesChanged();
}

void CDocManager::RemoveFromRecentFileList(int index)
{
    if (index < 0 || index >= m_recentFiles.size())
        return;
    m_recentFiles.removeAt(index);
    StoreRecentFiles();
    emit recentFilesChanged();
}

CDocument* CDocManager::OpenRecentFile(int index)
{
    if (index < 0 || index >= m_recentFiles.size())
        return nullptr;
    const QString path = m_recentFiles[index];
    CDocument* document = OpenDocumentFile(path);
    if (!document) {
        // The entry may have moved while the document tried to load.
        const qsizetype at = m_recentFiles.indexOf(path);
        if (at >= 0)
            RemoveFromRecentFileList(static_cast<int>(at));
    }
    return document;
}

void CDocManager::LoadRecentFiles()
{
    QSettings settings(LoadQString(IDS_REGISTRY_KEY), LoadQString(AFX_IDS_APP_TITLE));
    settings.beginGroup(QLatin1String(kRecentFileSection));
    m_recentFiles.clear();
    for (int i = 0; i < kRecentFileCount; ++i) {
        const QString path = settings.value(RecentFileKey(i)).toString();
        if (!path.isEmpty() && !m_recentFiles.contains(path))
            m_recentFiles.append(path);
    }
}

void CDocManager::StoreRecentFiles() const
{
    QSettings settings(LoadQString(IDS_REGISTRY_KEY), LoadQString(AFX_IDS_APP_TITLE));
    settings.beginGroup(QLatin1String(kRecentFileSection));
    for (int i = 0; i < kRecentFileCount; ++i) {
        if (i < m_recentFiles.size())
            settings.setValue(RecentFileKey(i), m_recentFiles[i]);
        else
            settings.remove(RecentFileKey(i));
    }
}
