#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// German texts of grimasso-cli from the string table, with %1, %2, ... filled in.
#include <initializer_list>
#include <string>

std::string CliText(int id, std::initializer_list<std::string> arguments = {});

// String table ids used by grimasso-cli.
namespace cli_text {
constexpr int kUsage = 40100;
constexpr int kUnknownStep = 40101;
constexpr int kMissingValue = 40102;
constexpr int kInvalidValue = 40103;
constexpr int kNothingToUndo = 40104;
constexpr int kNoInput = 40105;
constexpr int kScriptUnreadable = 40106;
constexpr int kScriptTooDeep = 40107;
constexpr int kScriptLine = 40108;
constexpr int kCauseFile = 40120;
constexpr int kCauseTruncated = 40121;
constexpr int kCauseUnsupported = 40122;
constexpr int kCauseCorrupt = 40123;
constexpr int kCauseMemory = 40124;
constexpr int kCauseUnknownEnding = 40125;
constexpr int kCauseWriteFailed = 40126;
constexpr int kExpectInteger = 40130;
constexpr int kExpectNumber = 40131;
constexpr int kExpectPoints = 40132;
constexpr int kExpectRegion = 40133;
constexpr int kExpectSize = 40134;
constexpr int kExpectFile = 40135;
constexpr int kExpectRotation = 40136;
constexpr int kExpectNoValue = 40137;
constexpr int kCauseWriteProtected = 42100;
constexpr int kCauseNotRegularFile = 42101;
constexpr int kInterruptedByInt = 42102;
constexpr int kInterruptedByTerm = 42103;
constexpr int kInterruptedByHup = 42104;
constexpr int kLoadFailed = 61447;
constexpr int kSaveFailed = 61448;
// Opening by content (ids 42200 onwards).
constexpr int kCauseUnknownFormat = 42200;
}  // namespace cli_text
