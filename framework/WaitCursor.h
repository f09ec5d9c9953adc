#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Shows the wait cursor for the lifetime of the object.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
