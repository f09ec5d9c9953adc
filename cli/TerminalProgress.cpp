// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TerminalProgress.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {
constexpr int kBarWidth = 40;
}

TerminalProgress::TerminalProgress(bool quiet) : m_enabled(!quiet && ::isatty(STDERR_FILENO) == 1) {}

TerminalProgress::~TerminalProgress()
{
    if (m_enabled && m_shown >= 0)
        std::fputc('\n', stderr);
}

void TerminalProgress::SetPosition(int position)
{
    position = std::clamp(position, 0, 100);
    if (!m_enabled || position == m_shown)
        return;
    m_shown = position;
    const int filled = position * kBarWidth / 100;
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(kBarWidth - filled), '.');
    std::fprintf(stderr, "\rVideo [%s] %3d%%", bar.c_str(), position);
    std::fflush(stderr);
}
