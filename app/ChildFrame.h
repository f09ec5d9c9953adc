#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A document window inside the main window: hosts one view. Its title comes
// from the document ("Titel", or "Titel:2" when the document has several
// windows), set by the document manager, which also makes the last window of
// a modified document ask before it closes.
#include <QMdiSubWindow>

#include "framework/CmdTarget.h"

class CView;

class CChildFrame : public QMdiSubWindow, public CCmdTarget {
    Q_OBJECT
public:
    explicit CChildFrame(CView* view, QWidget* parent = nullptr);

    CView* GetActiveView() const { return m_pView; }

private:
    CView* m_pView;
};
