#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Command and resource ids of the editor. The framework's standard commands
// keep their traditional numbers (the menus, the toolbar, the string table and
// the routing all key on them); the editor's own commands follow. The names of
// string ids come from the string table, in the generated resources/StringIds.h.

// Resources.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDB_STARTSCREEN = 104;
constexpr int IDR_MAINFRAME = 128;  // menu without a document window, accelerators, toolbar
constexpr int IDR_GRIMATYPE = 129;  // menu with a document window, document template string

// File menu.
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_FILE_CLOSE = 57602;
constexpr int ID_FILE_SAVE = 57603;
constexpr int ID_FILE_SAVE_AS = 57604;
constexpr int ID_FILE_PAGE_SETUP = 57605;
constexpr int ID_FILE_PRINT_SETUP = 57606;
constexpr int ID_FILE_PRINT = 57607;
constexpr int ID_FILE_PRINT_DIRECT = 57608;
constexpr int ID_FILE_PRINT_PREVIEW = 57609;
constexpr int ID_FILE_MRU_FILE1 = 57616;  // the recent-file entries are FILE1 .. FILE4
constexpr int ID_FILE_MRU_FILE2 = 57617;
constexpr int ID_FILE_MRU_FILE3 = 57618;
constexpr int ID_FILE_MRU_FILE4 = 57619;
constexpr int kRecentFileCount = 4;

// Edit menu.
constexpr int ID_EDIT_COPY = 57634;
constexpr int ID_EDIT_CUT = 57635;
constexpr int ID_EDIT_PASTE = 57637;  // paste as new picture
constexpr int ID_EDIT_UNDO = 57643;

// Window menu.
constexpr int ID_WINDOW_NEW = 57648;
constexpr int ID_WINDOW_ARRANGE = 57649;
constexpr int ID_WINDOW_CASCADE = 57650;
constexpr int ID_WINDOW_TILE_HORZ = 57651;

// Application and help.
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_HELP_FINDER = 57667;
constexpr int ID_CONTEXT_HELP = 57669;
constexpr int ID_HELP = 57670;
constexpr int ID_DEFAULT_HELP = 57671;
constexpr int ID_NEXT_PANE = 57680;
constexpr int ID_PREV_PANE = 57681;

// View menu and status bar.
constexpr int ID_VIEW_TOOLBAR = 59392;
constexpr int ID_VIEW_STATUS_BAR = 59393;
constexpr int ID_INDICATOR_CAPS = 59137;
constexpr int ID_INDICATOR_NUM = 59138;
constexpr int ID_INDICATOR_SCRL = 59139;

// The editor's own commands.
constexpr int ID_MOVE_POINT = 32775;
constexpr int ID_MOVE_OPTIONS = 32781;
constexpr int ID_ENLARGE = 32783;
constexpr int ID_SHRINK = 32784;
constexpr int ID_CREATE_VIDEO = 32786;
constexpr int ID_ROTATE = 32787;
constexpr int ID_ZOOM_1_2 = 32788;
constexpr int ID_ZOOM_NONE = 32789;
constexpr int ID_ZOOM_2 = 32790;
constexpr int ID_ZOOM_4 = 32791;
constexpr int ID_ZOOM_3_4 = 32792;
constexpr int ID_ZOOM_1_4 = 32793;
constexpr int ID_ZOOM_3 = 32794;
constexpr int ID_ZOOM_WHOLE = 32795;  // "Ganzes Bild"
constexpr int ID_ZOOM_IN = 32796;     // Ctrl+Plus, one step about the window's middle
constexpr int ID_ZOOM_OUT = 32799;    // Ctrl+Minus
constexpr int ID_SMOOTH = 32797;
constexpr int ID_SCALE_IMAGE = 32798;
constexpr int ID_EXAGGERATE = 32800;
constexpr int ID_VIEW_ORIGINAL = 32801;
constexpr int ID_VIEW_GRID = 32802;
constexpr int ID_APPLY_DEFORMATION = 32810;
constexpr int ID_FACE_CARICATURE = 32820;
constexpr int ID_NEXT_FACE = 32821;
constexpr int ID_STEP_BACK = 32830;
constexpr int ID_STEP_FORWARD = 32831;
constexpr int ID_VIEW_HISTORY = 32832;
