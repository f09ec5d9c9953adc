// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MenuLayout.h"

#include "framework/CommandIds.h"
#include "resources/StringIds.h"

namespace {

MenuNode Item(int textId, int commandId)
{
    return MenuNode{textId, commandId, {}};
}

MenuNode Separator()
{
    return MenuNode{};
}

MenuNode Submenu(int titleId, std::vector<MenuNode> items)
{
    return MenuNode{titleId, 0, std::move(items)};
}

MenuNode HelpMenu()
{
    return Submenu(IDS_MENU_HELP, {Item(IDS_ITEM_HELP, ID_HELP), Item(IDS_ITEM_HELP_TOPICS, ID_HELP_FINDER), Separator(),
                                   Item(IDS_ITEM_ABOUT, ID_APP_ABOUT)});
}

}  // namespace

const std::vector<MenuNode>& MainFrameMenu()
{
    static const std::vector<MenuNode> menu{
        Submenu(IDS_MENU_FILE,
                {Item(IDS_ITEM_OPEN, ID_FILE_OPEN), Item(IDS_ITEM_PASTE_FILE_MENU, ID_EDIT_PASTE), Separator(),
                 Item(IDS_ITEM_PRINT_SETUP, ID_FILE_PRINT_SETUP), Separator(),
                 Item(IDS_ITEM_RECENT_PLACEHOLDER, ID_FILE_MRU_FILE1), Separator(), Item(IDS_ITEM_EXIT, ID_APP_EXIT)}),
        Submenu(IDS_MENU_VIEW,
                {Item(IDS_ITEM_TOOLBAR, ID_VIEW_TOOLBAR), Item(IDS_ITEM_STATUS_BAR, ID_VIEW_STATUS_BAR)}),
        HelpMenu(),
    };
    return menu;
}

const std::vector<MenuNode>& DocumentMenu()
{
    static const std::vector<MenuNode> menu{
        Submenu(IDS_MENU_FILE,
                {Item(IDS_ITEM_OPEN, ID_FILE_OPEN), Item(IDS_ITEM_PASTE_FILE_MENU, ID_EDIT_PASTE),
                 Item(IDS_ITEM_CLOSE, ID_FILE_CLOSE), Item(IDS_ITEM_SAVE, ID_FILE_SAVE),
                 Item(IDS_ITEM_SAVE_AS, ID_FILE_SAVE_AS), Separator(), Item(IDS_ITEM_PRINT, ID_FILE_PRINT),
                 Item(IDS_ITEM_PRINT_PREVIEW, ID_FILE_PRINT_PREVIEW), Item(IDS_ITEM_PRINT_SETUP, ID_FILE_PRINT_SETUP),
                 Separator(), Item(IDS_ITEM_RECENT_PLACEHOLDER, ID_FILE_MRU_FILE1), Separator(),
                 Item(IDS_ITEM_EXIT, ID_APP_EXIT)}),
        Submenu(IDS_MENU_EDIT,
                {Item(IDS_ITEM_UNDO, ID_EDIT_UNDO), Item(IDS_ITEM_STEP_BACK, ID_STEP_BACK),
                 Item(IDS_ITEM_STEP_FORWARD, ID_STEP_FORWARD), Separator(), Item(IDS_ITEM_CUT, ID_EDIT_CUT),
                 Item(IDS_ITEM_COPY, ID_EDIT_COPY), Item(IDS_ITEM_PASTE_EDIT_MENU, ID_EDIT_PASTE), Separator(),
                 Item(IDS_ITEM_SCALE, ID_SCALE_IMAGE),
                 Item(IDS_ITEM_APPLY_DEFORMATION, ID_APPLY_DEFORMATION),
                 Separator(), Item(IDS_ITEM_MOVE_POINT, ID_MOVE_POINT),
                 Item(IDS_ITEM_ENLARGE, ID_ENLARGE), Item(IDS_ITEM_SHRINK, ID_SHRINK), Item(IDS_ITEM_ROTATE, ID_ROTATE),
                 Item(IDS_ITEM_VIDEO, ID_CREATE_VIDEO)}),
        Submenu(IDS_MENU_FILTER, {Item(IDS_ITEM_SMOOTH, ID_SMOOTH), Item(IDS_ITEM_EXAGGERATE, ID_EXAGGERATE)}),
        Submenu(IDS_MENU_EXTRAS, {Item(IDS_ITEM_MOVE_OPTIONS, ID_MOVE_OPTIONS),
                                  Item(IDS_ITEM_FACE_CARICATURE, ID_FACE_CARICATURE)}),
        Submenu(IDS_MENU_VIEW,
                {Item(IDS_ITEM_TOOLBAR, ID_VIEW_TOOLBAR), Item(IDS_ITEM_STATUS_BAR, ID_VIEW_STATUS_BAR),
                 Item(IDS_ITEM_VIEW_HISTORY, ID_VIEW_HISTORY), Separator(), Item(IDS_ITEM_VIEW_ORIGINAL, ID_VIEW_ORIGINAL), Item(IDS_ITEM_VIEW_GRID, ID_VIEW_GRID), Separator(),
                 Submenu(IDS_MENU_ZOOM,
                         {Item(IDS_ITEM_ZOOM_1_4, ID_ZOOM_1_4), Item(IDS_ITEM_ZOOM_1_2, ID_ZOOM_1_2),
                          Item(IDS_ITEM_ZOOM_3_4, ID_ZOOM_3_4), Item(IDS_ITEM_ZOOM_NONE, ID_ZOOM_NONE),
                          Item(IDS_ITEM_ZOOM_2, ID_ZOOM_2), Item(IDS_ITEM_ZOOM_3, ID_ZOOM_3),
                          Item(IDS_ITEM_ZOOM_4, ID_ZOOM_4), Separator(), Item(IDS_ITEM_ZOOM_WHOLE, ID_ZOOM_WHOLE)})}),
        Submenu(IDS_MENU_WINDOW,
                {Item(IDS_ITEM_NEW_WINDOW, ID_WINDOW_NEW), Item(IDS_ITEM_CASCADE, ID_WINDOW_CASCADE),
                 Item(IDS_ITEM_TILE, ID_WINDOW_TILE_HORZ), Item(IDS_ITEM_ARRANGE, ID_WINDOW_ARRANGE)}),
        HelpMenu(),
    };
    return menu;
}

const std::vector<int>& ToolbarButtons()
{
    static const std::vector<int> buttons{
        ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, 0, ID_EDIT_UNDO, 0,
        ID_FILE_PRINT, ID_APP_ABOUT, ID_CONTEXT_HELP, 0, ID_MOVE_POINT, ID_MOVE_OPTIONS, 0, ID_ENLARGE, ID_SHRINK, 0,
        ID_ROTATE, 0, ID_SMOOTH, ID_EXAGGERATE, 0, ID_CREATE_VIDEO, ID_FACE_CARICATURE, 0, ID_VIEW_ORIGINAL,
    };
    return buttons;
}

const std::vector<Accelerator>& Accelerators()
{
    // The menus advertise Ctrl+Z and Ctrl+V, so those keys work as well.
    static const std::vector<Accelerator> keys{
        {QKeySequence(Qt::CTRL | Qt::Key_C), ID_EDIT_COPY},
        {QKeySequence(Qt::CTRL | Qt::Key_O), ID_FILE_OPEN},
        {QKeySequence(Qt::CTRL | Qt::Key_P), ID_FILE_PRINT},
        {QKeySequence(Qt::CTRL | Qt::Key_S), ID_FILE_SAVE},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), ID_EDIT_UNDO},
        {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Z), ID_STEP_BACK},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), ID_STEP_FORWARD},
        {QKeySequence(Qt::CTRL | Qt::Key_V), ID_EDIT_PASTE},
        {QKeySequence(Qt::Key_F1), ID_HELP},
        {QKeySequence(Qt::SHIFT | Qt::Key_F1), ID_CONTEXT_HELP},
        {QKeySequence(Qt::Key_F6), ID_NEXT_PANE},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), ID_PREV_PANE},
        {QKeySequence(Qt::Key_O), ID_VIEW_ORIGINAL},
        // The zoom keys; Ctrl+= is Ctrl+Plus where plus needs the shift key.
        {QKeySequence(Qt::CTRL | Qt::Key_0), ID_ZOOM_WHOLE},
        {QKeySequence(Qt::CTRL | Qt::Key_Plus), ID_ZOOM_IN},
        {QKeySequence(Qt::CTRL | Qt::Key_Equal), ID_ZOOM_IN},
        {QKeySequence(Qt::CTRL | Qt::Key_Minus), ID_ZOOM_OUT},
    };
    return keys;
}
