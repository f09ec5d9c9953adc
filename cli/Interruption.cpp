// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Interruption.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <string>
#include <unistd.h>

#include "cli/CliText.h"
#include "image/PartialFiles.h"
#include "resources/StringIds.h"

namespace {

// The handler may neither allocate nor look anything up: each message is
// composed beforehand into a fixed buffer.
struct Farewell {
    int signal;
    int textId;
    char line[256];
    std::size_t length;
};

Farewell g_farewells[] = {
    {SIGINT, IDS_CLI_INTERRUPTED_BY_INT, {}, 0},
    {SIGTERM, IDS_CLI_INTERRUPTED_BY_TERM, {}, 0},
    {SIGHUP, IDS_CLI_INTERRUPTED_BY_HUP, {}, 0},
};

void OnInterruption(int signal)
{
    // In the middle of a step that must finish (a write in place), the signal
    // is raised again when that step is done.
    if (DeferInterruption(signal))
        return;
    RemovePartialFiles();
    for (const Farewell& farewell : g_farewells) {
        if (farewell.signal == signal)
            (void)!::write(STDERR_FILENO, farewell.line, farewell.length);
    }
    ::_exit(128 + signal);
}

}  // namespace

void InstallInterruptionHandlers()
{
    struct sigaction action {};
    action.sa_handler = OnInterruption;
    sigemptyset(&action.sa_mask);
    for (Farewell& farewell : g_farewells) {
        const std::string line = "grimasso-cli: " + CliText(farewell.textId) + "\n";
        farewell.length = std::min(line.size(), sizeof farewell.line);
        std::memcpy(farewell.line, line.data(), farewell.length);
        sigaddset(&action.sa_mask, farewell.signal);  // one farewell at a time
    }
    for (const Farewell& farewell : g_farewells)
        ::sigaction(farewell.signal, &action, nullptr);
    std::signal(SIGXFSZ, SIG_IGN);
}
