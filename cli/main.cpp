// SPDX-License-Identifier: GPL-3.0-or-later
// grimasso-cli: loads a picture and runs editing steps on it from left to right.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliSession.h"
#include "cli/CliText.h"
#include "cli/Interruption.h"
#include "cli/Steps.h"
#include "resources/StringIds.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitBadStep = 2;

void Report(const std::string& message)
{
    std::cerr << "grimasso-cli: " << message << '\n';
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    for (const auto& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            std::cout << CliText(IDS_CLI_USAGE) << "\n\n" << CliText(IDS_CLI_USAGE_TIMING) << '\n';
            return 0;
        }
        if (argument == "--version") {
            std::cout << "grimasso-cli " << GRIMASSO_VERSION << '\n';
            return 0;
        }
    }
    if (arguments.empty() || arguments.front().rfind("--", 0) == 0) {
        Report(CliText(IDS_CLI_NO_INPUT));
        return kExitBadStep;
    }

    InstallInterruptionHandlers();
    const std::string input = arguments.front();
    std::vector<Step> steps;
    try {
        steps = ParseSteps({arguments.begin() + 1, arguments.end()});
    } catch (const StepError& error) {
        Report(error.what());
        return kExitBadStep;
    }

    try {
        const bool quiet = std::any_of(steps.begin(), steps.end(),
                                       [](const Step& step) { return step.kind == StepKind::Quiet; });
        CliSession session(input, quiet);
        for (const auto& step : steps)
            session.Run(step);
        // Done: end the process here instead of giving the picture's half a
        // gigabyte back to the allocator page by page; the system reclaims it at once.
        std::fflush(nullptr);
        std::_Exit(0);
    } catch (const StepError& error) {
        Report(error.what());
        return kExitBadStep;
    } catch (const CliFailure& failure) {
        Report(failure.what());
        return kExitFailure;
    }
    return 0;
}
