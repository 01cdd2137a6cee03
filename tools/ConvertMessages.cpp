// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ConvertMessages.h"

#include "framework/File.h"

#include <cstdio>
#include <exception>

namespace
{
constexpr const char* kProgram = "tarvok-convert";

// One call per line, so that lines of the threads converting a whole game never interleave.
void PrintLine(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stderr);
}
} // namespace

void PrintNote(const std::string& subject, const std::string& text)
{
    PrintLine(std::string(kProgram) + ": " + (subject.empty() ? "" : subject + ": ") + text);
}

bool Report(const std::string& subject, const Status& status)
{
    if (status.Ok())
        return true;
    const Failure& failure = status.GetFailure();
    if (!failure.Silent())
        PrintNote(failure.cause == Failure::Cause::File ? std::string() : subject, failure.message);
    return false;
}

void PrintUsageError(const std::string& text)
{
    PrintLine(std::string(kProgram) + ": " + text);
    PrintLine(std::string("Try '") + kProgram + " --help'.");
}

Status Guarded(const std::function<Status()>& work)
{
    try
    {
        return work();
    }
    catch (const CFileException& e)
    {
        return Failure::FromFile(e.what());
    }
    catch (const std::exception& e)
    {
        return Failure{e.what()};
    }
}
