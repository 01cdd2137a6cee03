// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/InterpreterVersion.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace
{
// Releases of the version 2 interpreter; only these are taken, since "2" and four
// characters turn up often in a program's bytes.
constexpr std::array<std::string_view, 15> kKnownVersionTwo = {
    "2.089", "2.230", "2.272", "2.411", "2.425", "2.426", "2.435", "2.439",
    "2.440", "2.903", "2.911", "2.912", "2.915", "2.917", "2.936"};
constexpr std::string_view kVersionThreeShape = "3.ddd.ddd";

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool HasShape(std::string_view text, std::string_view shape)
{
    if (text.size() < shape.size())
        return false;
    for (std::size_t i = 0; i < shape.size(); ++i)
        if (shape[i] == 'd' ? !IsDigit(text[i]) : text[i] != shape[i])
            return false;
    return true;
}

// The version that starts at the front of text, or "".
std::string_view VersionAt(std::string_view text)
{
    if (text.front() == '2')
    {
        const std::string_view candidate = text.substr(0, 5);
        if (std::find(kKnownVersionTwo.begin(), kKnownVersionTwo.end(), candidate) !=
            kKnownVersionTwo.end())
            return candidate;
    }
    else if (text.front() == '3' && HasShape(text, kVersionThreeShape))
        return text.substr(0, kVersionThreeShape.size());
    return {};
}
} // namespace

InterpreterVersion FindInterpreterVersion(std::span<const std::uint8_t> agidata, int layoutVersion)
{
    const std::string_view text(reinterpret_cast<const char*>(agidata.data()), agidata.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (const std::string_view version = VersionAt(text.substr(i)); !version.empty())
            return {std::string(version), false};
    return {layoutVersion == 3 ? "3.002.149" : "2.917", true};
}

std::string DescribeInterpreterVersion(const InterpreterVersion& version)
{
    return version.text + (version.bAssumed ? " (assumed)" : "");
}

FadeKind FadeOfInterpreter(const std::string& versionText)
{
    if (versionText.rfind('3', 0) == 0)
        return FadeKind::V3;
    if (versionText.rfind("2.9", 0) == 0)
        return FadeKind::V2;
    return FadeKind::None;
}
