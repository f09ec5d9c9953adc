#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Ids of the framework layer's own texts in the German string table.

constexpr int IDS_ASK_TO_SAVE = 41000;      // "Änderungen in %1 speichern?"
constexpr int IDS_BUTTON_YES = 41001;
constexpr int IDS_BUTTON_NO = 41002;
constexpr int IDS_BUTTON_CANCEL = 41003;
constexpr int IDS_BUTTON_OK = 41004;
constexpr int IDS_OPEN_TITLE = 41005;       // title of the open dialog
constexpr int IDS_SAVE_AS_TITLE = 41006;    // title of the save dialog
constexpr int IDS_SAVE_FAILED = 61448;      // "Beim Speichern der Datei ist ein Fehler aufgetreten"
