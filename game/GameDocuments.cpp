// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/GameDocuments.h"

#include "framework/File.h"
#include "game/BackupFolders.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace
{
constexpr const char* kStem = "sound";
constexpr const char* kExtension = ".tks";
} // namespace

namespace GameDocuments
{
std::string NameOf(int n)
{
    return std::string(kFolder) + "/" + kStem + std::to_string(n) + kExtension;
}

bool IsDocumentName(const std::string& name)
{
    const std::string start = std::string(kFolder) + "/" + kStem;
    const std::string end = kExtension;
    if (name.size() <= start.size() + end.size() || name.compare(0, start.size(), start) != 0 ||
        name.compare(name.size() - end.size(), end.size(), end) != 0)
        return false;
    const std::string digits = name.substr(start.size(), name.size() - start.size() - end.size());
    return digits.size() <= 3 && digits.find_first_not_of("0123456789") == std::string::npos;
}

std::string Read(const std::string& gameDir, int n, std::string& tks)
{
    tks.clear();
    const fs::path path = fs::path(gameDir) / NameOf(n);
    for (const fs::path& step : {path.parent_path(), path})
    {
        struct stat st
        {
        };
        if (::lstat(step.c_str(), &st) != 0)
            return errno == ENOENT ? std::string() : step.string() + ": " + std::strerror(errno);
        if (S_ISLNK(st.st_mode))
            return CBackupFolders::LinkMessage(step.string());
    }
    Result<std::string> read = ReadWholeFile(path.string(), kMaxBytes);
    if (!read.Ok())
        return read.Error();
    tks = std::move(read).Value();
    return {};
}
} // namespace GameDocuments
