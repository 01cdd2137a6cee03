// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <cstdio>
#include <cstring>

namespace
{
constexpr const char* kUsage =
    "Usage: tarvok [--no-sound] [FILE]\n"
    "Edit the sound resources of AGI adventure games as a tracker.\n"
    "\n"
    "  --no-sound   run without a sound device\n"
    "  --help       print this help and exit\n"
    "  --version    print the version and exit\n"
    "\n"
    "FILE is a sound document (.tks) or an AGI sound resource to open.\n";
} // namespace

namespace CommandLine
{
std::optional<int> AnswerInfoOptions(int argc, const char* const argv[])
{
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
        {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0)
        {
            std::printf("tarvok %s\n", TARVOK_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}
} // namespace CommandLine
