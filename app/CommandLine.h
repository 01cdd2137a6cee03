// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

// The options that only print: answered before any window system is needed.
namespace CommandLine
{
// The exit code when the arguments ask for help or the version (printed to stdout).
std::optional<int> AnswerInfoOptions(int argc, const char* const argv[]);
} // namespace CommandLine
