#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What caused a failed load or save, in the words of the string table, for a
// window that shows the cause beneath the load or save message.
#include <string>
#include <vector>

class SessionFailure;

struct FailureCause {
    int messageId = 0;  // 0: nothing to add
    // Fill %1, %2, ... of the message; file names as the file system gives
    // them, other texts in the locale's encoding.
    std::vector<std::string> arguments;
};

FailureCause CauseOf(const SessionFailure& failure);
