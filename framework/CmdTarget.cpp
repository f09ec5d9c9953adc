// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/CmdTarget.h"

bool CCmdTarget::OnCmdMsg(int)
{
    return false;
}

bool CCmdTarget::OnUpdateCmdUI(CCmdUI&)
{
    return false;
}

bool RouteCommand(std::span<CCmdTarget* const> chain, int id)
{
    for (CCmdTarget* target : chain) {
        if (target && target->OnCmdMsg(id))
            return true;
    }
    return false;
}

void RouteUpdate(std::span<CCmdTarget* const> chain, CCmdUI& ui)
{
    for (CCmdTarget* target : chain) {
        if (target && target->OnUpdateCmdUI(ui)) {
            ui.m_bHandled = true;
            return;
        }
    }
    // Nobody handles the command: it cannot be chosen.
    ui.m_bEnabled = false;
}
