#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Ids of the application shell's texts in the German string table (menu
// titles and items, the recent-file entries, the help window, the command line).

// Menu titles.
constexpr int IDS_MENU_FILE = 41100;
constexpr int IDS_MENU_EDIT = 41101;
constexpr int IDS_MENU_FILTER = 41102;
constexpr int IDS_MENU_EXTRAS = 41103;
constexpr int IDS_MENU_VIEW = 41104;
constexpr int IDS_MENU_ZOOM = 41105;
constexpr int IDS_MENU_WINDOW = 41106;
constexpr int IDS_MENU_HELP = 41107;

// Menu items.
constexpr int IDS_ITEM_OPEN = 41110;
constexpr int IDS_ITEM_PASTE_FILE_MENU = 41111;
constexpr int IDS_ITEM_PRINT_SETUP = 41112;
constexpr int IDS_ITEM_RECENT_PLACEHOLDER = 41113;
constexpr int IDS_ITEM_EXIT = 41114;
constexpr int IDS_ITEM_TOOLBAR = 41115;
constexpr int IDS_ITEM_STATUS_BAR = 41116;
constexpr int IDS_ITEM_HELP = 41117;
constexpr int IDS_ITEM_HELP_TOPICS = 41118;
constexpr int IDS_ITEM_ABOUT = 41119;
constexpr int IDS_ITEM_CLOSE = 41120;
constexpr int IDS_ITEM_SAVE = 41121;
constexpr int IDS_ITEM_SAVE_AS = 41122;
constexpr int IDS_ITEM_PRINT = 41123;
constexpr int IDS_ITEM_PRINT_PREVIEW = 41124;
constexpr int IDS_ITEM_UNDO = 41125;
constexpr int IDS_ITEM_CUT = 41126;
constexpr int IDS_ITEM_COPY = 41127;
constexpr int IDS_ITEM_PASTE_EDIT_MENU = 41128;
constexpr int IDS_ITEM_SCALE = 41129;
constexpr int IDS_ITEM_MOVE_POINT = 41130;
constexpr int IDS_ITEM_ENLARGE = 41131;
constexpr int IDS_ITEM_SHRINK = 41132;
constexpr int IDS_ITEM_ROTATE = 41133;
constexpr int IDS_ITEM_VIDEO = 41134;
constexpr int IDS_ITEM_SMOOTH = 41135;
constexpr int IDS_ITEM_MOVE_OPTIONS = 41136;
constexpr int IDS_ITEM_ZOOM_1_4 = 41137;
constexpr int IDS_ITEM_ZOOM_1_2 = 41138;
constexpr int IDS_ITEM_ZOOM_3_4 = 41139;
constexpr int IDS_ITEM_ZOOM_NONE = 41140;
constexpr int IDS_ITEM_ZOOM_2 = 41141;
constexpr int IDS_ITEM_ZOOM_3 = 41142;
constexpr int IDS_ITEM_ZOOM_4 = 41143;
constexpr int IDS_ITEM_NEW_WINDOW = 41144;
constexpr int IDS_ITEM_CASCADE = 41145;
constexpr int IDS_ITEM_TILE = 41146;
constexpr int IDS_ITEM_ARRANGE = 41147;

// Main window.
constexpr int IDS_RECENT_FILE_ENTRY = 41150;  // "&%1 %2": number, path
constexpr int IDS_TOOLBAR_TITLE = 41151;
constexpr int IDS_MAIN_TITLE_WITH_DOCUMENT = 41152;  // "%1 - %2": program, document window
constexpr int IDS_MAIN_TITLE_WITH_MAXIMIZED_DOCUMENT = 42300;  // "%1 - [%2]"

// Help window: title, then the sections in order, each a heading id whose
// text has the next id.
constexpr int IDS_HELP_TITLE = 41200;
constexpr int kHelpSections[] = {41201, 41203, 41205, 41207, 41209, 41211, 41213, 42301, 41215, 41217};

// Command line.
constexpr int IDS_CMDLINE_USAGE = 41300;
constexpr int IDS_CMDLINE_UNKNOWN_OPTION = 41301;
constexpr int IDS_CMDLINE_MISSING_FILE = 41302;
constexpr int IDS_CMDLINE_TOO_MANY_FILES = 41303;
constexpr int IDS_CMDLINE_PRINT_FAILED = 41304;
