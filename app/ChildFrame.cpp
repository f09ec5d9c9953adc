// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ChildFrame.h"

#include "app/ToolbarIcons.h"
#include "framework/View.h"

CChildFrame::CChildFrame(CView* view, QWidget* parent) : QMdiSubWindow(parent), m_pView(view)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(ApplicationIcon());
    setWidget(view);
}
