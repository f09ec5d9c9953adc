#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The state of the Caps Lock, Num Lock and Scroll Lock keys for the status
// bar's "UF", "NUM" and "RF" panes, read from the key events the program
// sees. On X11 every key event carries the lock state; elsewhere the state
// follows the presses of the lock keys themselves.
#include <QtGlobal>

class CLockKeyState {
public:
    // The X11 modifier bits of the lock keys in a key event's native state.
    static constexpr quint32 kX11CapsLockBit = 1u << 1;
    static constexpr quint32 kX11NumLockBit = 1u << 4;

    // nativeState: the event's native modifiers; trusted only when
    // nativeCarriesLocks is true (the X11 platform).
    void NoteKeyPress(int key, quint32 nativeState, bool nativeCarriesLocks);

    bool CapsLock() const { return m_bCapsLock; }
    bool NumLock() const { return m_bNumLock; }
    bool ScrollLock() const { return m_bScrollLock; }

private:
    bool m_bCapsLock = false;
    bool m_bNumLock = false;
    bool m_bScrollLock = false;
};
