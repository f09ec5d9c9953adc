// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

CWaitCursor::CWaitCursor()
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

CWaitCursor::~CWaitCursor()
{
    QGuiApplication::restoreOverrideCursor();
}
