// SPDX-License-Identifier: GPL-3.0-or-later
// The step parser of grimasso-cli. Each input is used twice: its lines as the
// command-line arguments, and the whole input as a step script. Parsing only;
// no step runs, so nothing is written.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "MemoryFile.h"
#include "cli/Steps.h"

namespace {

std::vector<std::string> Lines(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n')
            lines.emplace_back();
        else
            lines.back().push_back(static_cast<char>(data[i]));
    }
    return lines;
}

void Parse(const std::vector<std::string>& arguments)
{
    try {
        ParseSteps(arguments);
    } catch (const StepError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Parse(Lines(data, size));
    const MemoryFile script(data, size);
    Parse({"--script", script.Path()});
    return 0;
}
