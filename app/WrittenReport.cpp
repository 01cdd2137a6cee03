// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WrittenReport.h"

#include "framework/TextCodec.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace
{
std::string OneDecimal(double value, const char* unit)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, unit);
    return text;
}

// "GAME/" names the folder GAME, not an empty last part.
std::string LastPart(const std::string& path)
{
    fs::path part = fs::path(path);
    if (part.filename().empty() && part.has_parent_path())
        part = part.parent_path();
    return ToDisplayUtf8(part.filename().string());
}
} // namespace

std::string SizeText(std::uintmax_t bytes)
{
    constexpr double kKilo = 1024.0;
    if (bytes == 1)
        return "1 byte";
    if (bytes < 1024)
        return std::to_string(bytes) + " bytes";
    const double kilobytes = static_cast<double>(bytes) / kKilo;
    // Rounded as printed, so 1,048,575 bytes read "1.0 MB" rather than "1024.0 KB".
    if (kilobytes < kKilo - 0.05)
        return OneDecimal(kilobytes, "KB");
    const double megabytes = kilobytes / kKilo;
    if (megabytes < kKilo - 0.05)
        return OneDecimal(megabytes, "MB");
    return OneDecimal(megabytes / kKilo, "GB");
}

std::string WroteFileText(const std::string& path)
{
    std::error_code error;
    const std::uintmax_t bytes = fs::file_size(path, error);
    std::string text = "Wrote " + LastPart(path);
    if (!error)
        text += " (" + SizeText(bytes) + ")";
    return text;
}

std::string WroteGameSoundText(const std::string& folder, int nSound, std::uintmax_t bytes)
{
    return "Wrote sound " + std::to_string(nSound) + " into " + LastPart(folder) + " (" +
           SizeText(bytes) + ")";
}
