// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include "playback/FileFormats.h"

#include <cstdio>
#include <cstring>
#include <string>

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
    "FILE is a file to open; a file other than a sound document is imported into a new\n"
    "sound. Tarvok opens:\n";

// "  MIDI Files (.mid, .midi)" for each format that is read.
std::string OpenedFileTypes()
{
    std::string lines;
    for (const FileFormat* pFormat : FileFormats())
    {
        if (!pFormat->Imports())
            continue;
        std::string extensions;
        for (const std::string& extension : pFormat->openExtensions)
            extensions += (extensions.empty() ? "" : ", ") + extension;
        lines += std::string("  ") + pFormat->name + " (" +
                 (extensions.empty() ? "any name" : extensions) + ")\n";
    }
    return lines;
}
} // namespace

namespace CommandLine
{
std::optional<int> AnswerInfoOptions(int argc, const char* const argv[])
{
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
        {
            std::fputs((kUsage + OpenedFileTypes()).c_str(), stdout);
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
