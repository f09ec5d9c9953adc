#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Command routing. Every menu item, toolbar button and accelerator issues a
// command id; the main frame offers it along the chain active view -> its
// document -> active child frame -> main frame -> application until one target
// handles it. Menu and button states are asked along the same chain.
#include <span>

// The state of one command's menu item and button while it is being updated.
class CCmdUI {
public:
    explicit CCmdUI(int id) : m_nID(id) {}

    void Enable(bool on = true) { m_bEnabled = on; }
    void SetCheck(bool on = true)
    {
        m_bChecked = on;
        m_bCheckSet = true;
    }

    int m_nID;
    bool m_bEnabled = true;
    bool m_bChecked = false;
    bool m_bCheckSet = false;  // a target set the check state (else the item is not checkable)
    bool m_bHandled = false;   // set by the router when some target answered
};

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Carries out command id; true when this target handled it.
    virtual bool OnCmdMsg(int id);
    // Answers for command ui.m_nID: return true for every command this target
    // handles (even without touching ui, which then stays enabled), after
    // setting the enabled and checked state. A command that no target answers
    // is disabled.
    virtual bool OnUpdateCmdUI(CCmdUI& ui);
};

// Offers id to the targets in order (null entries are skipped); true when one handled it.
bool RouteCommand(std::span<CCmdTarget* const> chain, int id);
// Asks the targets in order for the state of ui.m_nID; the first that answers
// decides. When none answers, the command is disabled and m_bHandled stays false.
void RouteUpdate(std::span<CCmdTarget* const> chain, CCmdUI& ui);
