#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The German string table. Every text the user sees is looked up here by its id;
// the texts live in resources/strings_de.txt, embedded into the program at build time.
#include <string>

// The text for id, or an empty string when the table has none.
const std::string& GermanString(int id);
// True when the table holds id.
bool HasGermanString(int id);
