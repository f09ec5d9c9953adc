// SPDX-License-Identifier: GPL-3.0-or-later
#include "resources/StringTable.h"

#include <cstdlib>
#include <string_view>
#include <unordered_map>

#include "resources/StringTableData.h"  // generated: kStringTableText

// Lines are "id<TAB>text" or "id<TAB>NAME<TAB>text"; "\n" and "\t" in the text
// stand for a line break and a tab, "\\" for a backslash. A text never holds a
// tab itself, so a second tab ends the name column, which only the build reads.
// Empty lines and lines starting with '#' are skipped.
std::unordered_map<int, std::string> ParseStringTable(std::string_view text)
{
    std::unordered_map<int, std::string> table;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const auto tab = line.find('\t');
        if (line.empty() || line.front() == '#' || tab == std::string_view::npos)
            continue;
        const int id = std::atoi(std::string(line.substr(0, tab)).c_str());
        const auto nameEnd = line.find('\t', tab + 1);
        const std::size_t textStart = (nameEnd == std::string_view::npos ? tab : nameEnd) + 1;
        std::string value;
        for (std::size_t i = textStart; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                const char next = line[++i];
                value += next == 'n' ? '\n' : next == 't' ? '\t' : next;
            } else {
                value += line[i];
            }
        }
        table[id] = std::move(value);
    }
    return table;
}

namespace {

const std::unordered_map<int, std::string>& Table()
{
    static const auto table = ParseStringTable(kStringTableText);
    return table;
}

}  // namespace

const std::string& GermanString(int id)
{
    static const std::string empty;
    const auto it = Table().find(id);
    return it == Table().end() ? empty : it->second;
}

bool HasGermanString(int id)
{
    return Table().count(id) != 0;
}
