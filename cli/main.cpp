// SPDX-License-Identifier: GPL-3.0-or-later
// grimasso-cli: loads a picture and runs editing steps on it from left to right.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/CliSession.h"
#include "cli/CliText.h"
#include "cli/Interruption.h"
#include "cli/Steps.h"
#include "cli/TerminalText.h"
#include "image/Exceptions.h"
#include "resources/StringIds.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitBadStep = 2;

// What a lack of memory prints, composed while there is memory for it.
std::string g_memoryLine;

void Report(const std::string& message)
{
    std::cerr << "grimasso-cli: " << EscapeControlCharacters(message) << '\n';
}

void ReportMemory()
{
    (void)!::write(STDERR_FILENO, g_memoryLine.data(), g_memoryLine.size());
}

int Run(const std::vector<std::string>& arguments)
{
    for (const auto& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            std::cout << CliText(IDS_CLI_USAGE) << "\n\n" << CliText(IDS_CLI_USAGE_TIMING) << "\n\n"
                      << CliText(IDS_CLI_USAGE_CARICATURE) << '\n';
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
    } catch (const StepError& error) {
        Report(error.what());
        return kExitBadStep;
    } catch (const CliFailure& failure) {
        Report(failure.what());
        return kExitFailure;
    }
    // Output that never arrived is no success either.
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        Report(CliText(IDS_CLI_OUTPUT_FAILED, {std::strerror(errno ? errno : EIO)}));
        return kExitFailure;
    }
    // Done: end the process here instead of giving the picture's half a
    // gigabyte back to the allocator page by page; the system reclaims it at once.
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace

// No exception leaves: a lack of memory anywhere ends with the memory message
// and exit 1, as any other failure that no step reported itself.
int main(int argc, char** argv)
{
    try {
        g_memoryLine = "grimasso-cli: " + CliText(IDS_CLI_CAUSE_MEMORY) + "\n";
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::bad_alloc&) {
        ReportMemory();
    } catch (const CMemoryException&) {
        ReportMemory();
    } catch (const std::exception& failure) {
        try {
            Report(failure.what());
        } catch (const std::bad_alloc&) {
            ReportMemory();
        }
    } catch (...) {
    }
    return kExitFailure;
}
