// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ConvertFormats.h"

#include "framework/AtomicFile.h"
#include "framework/File.h"
#include "sound/AgiResource.h"

#include <filesystem>
#include <string>

namespace
{
Status WriteBuild(const Result<std::vector<std::uint8_t>>& build, const std::string& path)
{
    if (!build.Ok())
        return build.GetFailure();
    return WriteAtomically(path,
                           [&build](CFile& out)
                           {
                               out.Write(build.Value().data(), build.Value().size());
                               return Success();
                           });
}
} // namespace

std::string VgmTitleOfFile(const std::string& path)
{
    return std::filesystem::path(path).stem().string();
}

std::string VgmGameOfFolder(const std::string& dir)
{
    // "games/quest/" names the folder "quest", as "games/quest" does.
    std::filesystem::path folder = std::filesystem::path(dir).lexically_normal();
    if (folder.filename().empty())
        folder = folder.parent_path();
    return folder.filename().string();
}

Status WriteVgmOutput(const CSoundDoc& doc, const PlayRange& range, const VgmOptions& options,
                      const std::string& path)
{
    return WriteBuild(BuildDocumentVgm(doc, range, options), path);
}

Status WriteAgiVgmOutput(const std::vector<std::uint8_t>& resource, const VgmOptions& options,
                         const std::string& path)
{
    return WriteBuild(BuildVgm(resource.data(), resource.size(), options), path);
}

Status WriteAgiFileVgmOutput(const std::string& input, const VgmOptions& options,
                             const std::string& path)
{
    const Result<std::string> bytes = ReadWholeFile(input, kMaxAgiFileBytes);
    if (!bytes.Ok())
        return bytes.GetFailure();
    return WriteAgiVgmOutput({bytes.Value().begin(), bytes.Value().end()}, options, path);
}
