// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LockKeyState.h"

#include <Qt>

void CLockKeyState::NoteKeyPress(int key, quint32 nativeState, bool nativeCarriesLocks)
{
    if (nativeCarriesLocks) {
        m_bCapsLock = (nativeState & kX11CapsLockBit) != 0;
        m_bNumLock = (nativeState & kX11NumLockBit) != 0;
    }
    // The native state is the one before this press: a lock key's own press flips it.
    if (key == Qt::Key_CapsLock)
        m_bCapsLock = !m_bCapsLock;
    if (key == Qt::Key_NumLock)
        m_bNumLock = !m_bNumLock;
    if (key == Qt::Key_ScrollLock)
        m_bScrollLock = !m_bScrollLock;
}
