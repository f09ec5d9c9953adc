#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// German texts of grimasso-cli from the string table, with %1, %2, ... filled in.
// The ids' names (IDS_CLI_..., IDS_LOAD_FAILED, IDS_SAVE_FAILED) come with it.
#include <initializer_list>
#include <string>

#include "resources/StringIds.h"

std::string CliText(int id, std::initializer_list<std::string> arguments = {});

