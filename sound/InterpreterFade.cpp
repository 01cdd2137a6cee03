// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/InterpreterFade.h"

#include "sound/AgiTone.h"

#include <algorithm>
#include <array>

namespace
{
struct Run
{
    int value;
    unsigned count;
};

template <std::size_t N, std::size_t R> constexpr std::array<int, N> Expand(const Run (&runs)[R])
{
    std::array<int, N> table{};
    std::size_t at = 0;
    for (const Run& run : runs)
        for (unsigned i = 0; i < run.count; ++i)
            table[at++] = run.value;
    return table;
}

constexpr Run kV2Runs[] = {{-2, 1}, {-3, 1}, {-2, 1}, {-1, 1}, {0, 2},  {1, 4},
                           {2, 8},  {3, 7},  {4, 4},  {5, 4},  {6, 5},  {7, 4},
                           {8, 4},  {9, 4},  {10, 4}, {11, 6}, {12, 6}, {13, 1}};
constexpr Run kV3Runs[] = {{-2, 1}, {-3, 1}, {-2, 1}, {-1, 1}, {0, 5},  {1, 6},
                           {2, 10}, {3, 8},  {4, 5},  {5, 5},  {6, 5},  {7, 4},
                           {8, 4},  {9, 4},  {10, 4}, {11, 6}, {12, 6}, {13, 1}};
constexpr auto kV2 = Expand<67>(kV2Runs);
constexpr auto kV3 = Expand<77>(kV3Runs);
static_assert(kV2.back() == 13 && kV3.back() == 13, "a table ends at its last run");

} // namespace

const char* FadeKindName(FadeKind kind)
{
    switch (kind)
    {
    case FadeKind::V2:
        return "2.9";
    case FadeKind::V3:
        return "3";
    case FadeKind::None:
        break;
    }
    return "none";
}

std::optional<FadeKind> FadeKindFromName(std::string_view name)
{
    for (FadeKind kind : {FadeKind::None, FadeKind::V2, FadeKind::V3})
        if (name == FadeKindName(kind))
            return kind;
    return std::nullopt;
}

unsigned FadeTicks(FadeKind kind)
{
    switch (kind)
    {
    case FadeKind::V2:
        return kV2.size();
    case FadeKind::V3:
        return kV3.size();
    case FadeKind::None:
        break;
    }
    return 0;
}

unsigned FadedAttenuation(FadeKind kind, unsigned attenuation, std::uint64_t tick)
{
    attenuation &= kAgiSilentAttenuation;
    if (kind == FadeKind::None || attenuation == kAgiSilentAttenuation)
        return attenuation;
    const int* pTable = kind == FadeKind::V2 ? kV2.data() : kV3.data();
    const std::uint64_t last = FadeTicks(kind) - 1;
    const int moved = static_cast<int>(attenuation) + pTable[std::min(tick, last)];
    return static_cast<unsigned>(std::clamp(moved, 0, kAgiSilentAttenuation));
}
