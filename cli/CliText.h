#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// German texts of grimasso-cli from the string table, with %1, %2, ... filled in.
// The ids' names (IDS_CLI_..., IDS_LOAD_FAILED, IDS_SAVE_FAILED) come with it.
#include <initializer_list>
#include <string>

#include "resources/StringIds.h"

std::string CliText(int id, std::initializer_list<std::string> arguments = {});

// Old names still used by CliSession.cpp; go once it uses the generated ones.
namespace cli_text {
constexpr int kNothingToUndo = IDS_CLI_NOTHING_TO_UNDO;
constexpr int kCauseFile = IDS_CLI_CAUSE_FILE;
constexpr int kCauseTruncated = IDS_CLI_CAUSE_TRUNCATED;
constexpr int kCauseUnsupported = IDS_CLI_CAUSE_UNSUPPORTED;
constexpr int kCauseCorrupt = IDS_CLI_CAUSE_CORRUPT;
constexpr int kCauseMemory = IDS_CLI_CAUSE_MEMORY;
constexpr int kCauseUnknownEnding = IDS_CLI_CAUSE_UNKNOWN_ENDING;
constexpr int kCauseWriteFailed = IDS_CLI_CAUSE_WRITE_FAILED;
constexpr int kCauseWriteProtected = IDS_CLI_CAUSE_WRITE_PROTECTED;
constexpr int kCauseNotRegularFile = IDS_CLI_CAUSE_NOT_REGULAR_FILE;
constexpr int kCauseUnknownFormat = IDS_CLI_CAUSE_UNKNOWN_FORMAT;
constexpr int kLoadFailed = IDS_LOAD_FAILED;
constexpr int kSaveFailed = IDS_SAVE_FAILED;
}  // namespace cli_text
