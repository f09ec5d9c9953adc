#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in document and view for the framework and shell tests: they record
// what the framework asks of them and fail on request, without reading pictures.
#include <QList>
#include <QMdiSubWindow>
#include <QStringList>
#include <memory>

#include "framework/CommandIds.h"
#include "framework/DocTemplate.h"
#include "framework/StringTable.h"
#include "framework/Document.h"
#include "framework/View.h"

class CTestDocument : public CDocument {
public:
    bool OnOpenDocument(const QString& path) override
    {
        openedPaths.append(path);
        if (path.endsWith(QLatin1String(".bad")))
            return false;
        return CDocument::OnOpenDocument(path);
    }
    bool OnNewDocument() override
    {
        ++newCalls;
        return !failNew && CDocument::OnNewDocument();
    }
    bool OnSaveDocument(const QString& path) override
    {
        savedPaths.append(path);
        return !failSave && CDocument::OnSaveDocument(path);
    }

    static inline bool failNew = false;
    bool failSave = false;
    int newCalls = 0;
    QStringList openedPaths;
    QStringList savedPaths;
};

// Handles Undo (enabled) and the zoom command 32789 (checked), and records the commands it gets.
class CTestView : public CView {
public:
    using CView::CView;

    bool OnCmdMsg(int id) override
    {
        received.append(id);
        return id == ID_EDIT_UNDO || id == ID_ZOOM_NONE;
    }
    bool OnUpdateCmdUI(CCmdUI& ui) override
    {
        if (ui.m_nID == ID_EDIT_UNDO)
            return true;
        if (ui.m_nID == ID_ZOOM_NONE) {
            ui.SetCheck(true);
            return true;
        }
        return false;
    }

    QList<int> received;
};

inline std::unique_ptr<CDocTemplate> MakeTestTemplate()
{
    auto docTemplate = std::make_unique<CDocTemplate>([] { return static_cast<CDocument*>(new CTestDocument); },
                                                      [](CDocument* document) {
                                                          return static_cast<CView*>(new CTestView(document));
                                                      });
    docTemplate->SetDescriptor(LoadQString(IDR_GRIMATYPE));
    return docTemplate;
}
