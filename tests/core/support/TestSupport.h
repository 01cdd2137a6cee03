// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Records the messages a worker thread reports (the play thread's failures), from any thread.
class CRecordedErrors
{
public:
    std::function<void(const std::string&)> Report()
    {
        return [this](const std::string& message)
        {
            std::lock_guard lock(m_mutex);
            m_texts.push_back(message);
        };
    }
    std::vector<std::string> Texts()
    {
        std::lock_guard lock(m_mutex);
        return m_texts;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_texts;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// A fresh empty folder under the system's temporary folder, removed at exit.
std::string MakeTempDir();
long FilesIn(const std::string& dir);
// The text with every "D/" standing for dir and a slash (command lines of the tests).
std::string InFolder(std::string text, const std::string& dir);
// Hex dump "10 00 00 00 03 ..." of bytes, for readable failures.
std::string Hex(const std::string& bytes);
std::string Le32(std::uint32_t value);
inline std::string Repeat(const std::string& s, int n)
{
    std::string out;
    while (n-- > 0)
        out += s;
    return out;
}

struct ConvertResult
{
    int exitCode = -1;
    std::string out; // stdout and stderr together
};
// Runs tarvok-convert with a command line the shell splits at blanks.
ConvertResult RunConvert(const std::string& args);
// The same with files limited to nKilobytes: a long render fails as soon as it starts.
ConvertResult RunConvertWithFileLimit(const std::string& args, int nKilobytes);
