// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/View.h"

#include <QMdiSubWindow>

#include "framework/Document.h"

CView::CView(CDocument* document, QWidget* parent) : QAbstractScrollArea(parent), m_pDocument(document)
{
    if (m_pDocument)
        m_pDocument->AddView(this);
}

CView::~CView()
{
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

void CView::OnInitialUpdate()
{
    OnUpdate(nullptr, 0);
}

void CView::OnUpdate(CView*, int)
{
    viewport()->update();
}

void CView::OnActivateView(bool) {}

QWidget* CView::GetParentFrame() const
{
    for (QWidget* widget = parentWidget(); widget; widget = widget->parentWidget()) {
        if (auto* frame = qobject_cast<QMdiSubWindow*>(widget))
            return frame;
    }
    return window();
}
