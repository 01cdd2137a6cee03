// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>
#include <string>

// The editor's side of a write into a game that waits for another one to end: a busy cursor
// while it waits, the windows painting meanwhile, and once it has waited askAfter (and each
// time as long again) the question whether to keep waiting.
class CGameWriteWait
{
public:
    static constexpr std::chrono::milliseconds kAskAfter{10000};

    CGameWriteWait(std::string folder, std::chrono::milliseconds askAfter)
        : m_folder(std::move(folder)), m_askAfter(askAfter), m_nextAsk(askAfter)
    {
    }
    ~CGameWriteWait();
    CGameWriteWait(const CGameWriteWait&) = delete;
    CGameWriteWait& operator=(const CGameWriteWait&) = delete;

    // SoundWriteOptions::keepWaiting: false when the person would rather stop waiting.
    bool KeepWaiting(std::chrono::milliseconds waited);

private:
    void ShowBusy(bool bBusy);

    std::string m_folder;
    std::chrono::milliseconds m_askAfter;
    // Unset after an answer, until the wait is told its time again.
    std::optional<std::chrono::milliseconds> m_nextAsk;
    bool m_bBusy = false;
};
