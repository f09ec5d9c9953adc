#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Messages for the terminal. File names may hold any byte but '/' and NUL;
// printed raw, a line break would forge a line and an escape sequence would
// drive the terminal.
#include <string>

// text with every control character (C0, DEL, and C1 as UTF-8 writes it) as
// \xNN, one escape a byte: "a\nb" becomes "a\x0ab".
std::string EscapeControlCharacters(const std::string& text);
