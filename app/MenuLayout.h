#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The layout of the main window's menus, toolbar and accelerators: which
// command sits where, with which string. The main frame builds its widgets
// from these tables.
#include <QKeySequence>
#include <vector>

struct MenuNode {
    int textId = 0;                  // 0: separator
    int commandId = 0;               // 0: separator or submenu
    std::vector<MenuNode> children;  // the items of a submenu
};

// Menu 128, shown while no document window is open.
const std::vector<MenuNode>& MainFrameMenu();
// Menu 129, shown while a document window is open.
const std::vector<MenuNode>& DocumentMenu();

// The toolbar from left to right; 0 is a separator.
const std::vector<int>& ToolbarButtons();

struct Accelerator {
    QKeySequence key;
    int commandId;
};
const std::vector<Accelerator>& Accelerators();
