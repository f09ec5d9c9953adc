#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Binds the document class, the view class and the child frame of one document
// type, with the type's descriptor (names and the default save filter).
#include <QString>
#include <functional>

class CDocument;
class CView;
class QMdiSubWindow;

class CDocTemplate {
public:
    CDocTemplate(std::function<CDocument*()> createDocument, std::function<CView*(CDocument*)> createView);

    // The descriptor: seven fields separated by line feeds (window title,
    // document name, new-file name, filter name, filter extension, file type
    // id, file type name), as the string table stores it.
    void SetDescriptor(const QString& descriptor);
    // Descriptor fields used by the framework.
    QString DocumentName() const { return m_strDocName; }  // base of "Grima1", "Grima2", ...
    QString FilterName() const { return m_strFilterName; }
    QString FilterExtension() const { return m_strFilterExt; }  // ".bmp"
    // The Save As filter "name|*.ext||" built from the descriptor.
    QString SaveFilter() const;

    std::function<CDocument*()> createDocument;
    std::function<CView*(CDocument*)> createView;
    // Wraps a new view into its child frame; unset means a plain QMdiSubWindow.
    std::function<QMdiSubWindow*(CView*)> createFrame;

private:
    QString m_strDocName;
    QString m_strFilterName;
    QString m_strFilterExt;
};
