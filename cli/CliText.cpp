// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliText.h"

#include <vector>

#include "resources/StringTable.h"

std::string CliText(int id, std::initializer_list<std::string> arguments)
{
    const std::vector<std::string> values(arguments);
    const std::string& pattern = GermanString(id);
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const auto index = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (index < values.size())
                text += values[index];
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}
