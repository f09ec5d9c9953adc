// SPDX-License-Identifier: GPL-3.0-or-later
// How the views of the document show the picture: the original instead of the
// deformed picture, and the grid over it.
#include "document/GrimassoDoc.h"

void CGrimassoDoc::SetShowOriginal(bool on)
{
    if (m_bShowOriginal == on)
        return;
    m_bShowOriginal = on;
    if (m_size.isValid())
        emit pictureChanged(QRect(0, 0, m_size.width(), m_size.height()));
    emit pictureStateChanged();
}

void CGrimassoDoc::SetShowGrid(bool on)
{
    if (m_bShowGrid == on)
        return;
    m_bShowGrid = on;
    if (m_size.isValid())
        emit pictureChanged(QRect(0, 0, m_size.width(), m_size.height()));
    emit pictureStateChanged();
}
