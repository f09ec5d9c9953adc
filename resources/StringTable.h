#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The German string table. Every text the user sees is looked up here by its id;
// the texts live in resources/strings_de.txt, embedded into the program at build time.
#include <string>
#include <string_view>
#include <unordered_map>

// The text for id, or an empty string when the table has none.
const std::string& GermanString(int id);
// True when the table holds id.
bool HasGermanString(int id);

// The texts of a table written like resources/strings_de.txt, by id; a later
// line with the same id wins.
std::unordered_map<int, std::string> ParseStringTable(std::string_view text);
