// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/wait.h>

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

namespace
{
struct TempDirs
{
    std::vector<std::string> paths;
    ~TempDirs()
    {
        std::error_code ec;
        for (const auto& p : paths)
            std::filesystem::remove_all(p, ec);
    }
} g_tempDirs;

ConvertResult RunShell(const std::string& command)
{
    ConvertResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    char buf[4096];
    for (std::size_t n; pipe != nullptr && (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
        result.out.append(buf, n);
    const int status = pipe != nullptr ? ::pclose(pipe) : -1;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
} // namespace

std::string MakeTempDir()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "tarvok-test-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    g_tempDirs.paths.push_back(tmpl);
    return tmpl;
}

long FilesIn(const std::string& dir)
{
    return std::distance(std::filesystem::directory_iterator(dir), {});
}

std::string InFolder(std::string text, const std::string& dir)
{
    // Past each replacement: the folder's own name may end in "D".
    for (std::size_t at = 0; (at = text.find("D/", at)) != std::string::npos; at += dir.size())
        text.replace(at, 1, dir);
    return text;
}

std::string Hex(const std::string& bytes)
{
    std::string out;
    char buf[4];
    for (const unsigned char c : bytes)
    {
        std::snprintf(buf, sizeof buf, out.empty() ? "%02X" : " %02X", c);
        out += buf;
    }
    return out;
}

std::string Le32(std::uint32_t value)
{
    return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
            static_cast<char>(value >> 24)};
}

ConvertResult RunConvert(const std::string& args)
{
    return RunShell(std::string(TARVOK_CONVERT_EXE) + " " + args + " 2>&1");
}

ConvertResult RunConvertWithFileLimit(const std::string& args, int nKilobytes)
{
    // The signal a write past the limit raises is ignored, so that write() fails instead.
    return RunShell("(trap '' XFSZ; ulimit -f " + std::to_string(nKilobytes) + "; exec " +
                    TARVOK_CONVERT_EXE + " " + args + ") 2>&1");
}
