#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The view base: a scrolling widget that shows one document. The document
// knows its views; a view registers itself on construction and leaves on
// destruction.
#include <QAbstractScrollArea>

#include "framework/CmdTarget.h"

class CDocument;

class CView : public QAbstractScrollArea, public CCmdTarget {
    Q_OBJECT
public:
    explicit CView(CDocument* document, QWidget* parent = nullptr);
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }

    // Called once after the view's window exists, before it is first shown.
    // The base calls OnUpdate(nullptr, 0).
    virtual void OnInitialUpdate();
    // The document changed; the base repaints the whole view.
    virtual void OnUpdate(CView* sender, int hint);
    // The view's window became the active one (true) or stopped being it.
    virtual void OnActivateView(bool active);

    // The window that frames the view: its child frame, else its top-level window.
    QWidget* GetParentFrame() const;

private:
    CDocument* m_pDocument;
};
