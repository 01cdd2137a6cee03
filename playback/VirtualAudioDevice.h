// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/AudioDevice.h"

#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

// An output device without hardware: its clock moves only when Advance is called, so the
// play cursor, the notifications and the output are exactly reproducible. While it rests,
// its clock stands, as a stopped output's does.
class CVirtualAudioDevice : public CAudioDevice
{
public:
    CVirtualAudioDevice() = default;

    // Plays nFrames samples: the cursor moves, notifications fire, the output is recorded
    // when recording is on. Nothing while resting.
    void Advance(unsigned nFrames);
    void Rest() override { m_bResting.store(true); }
    bool Wake() override
    {
        m_bResting.store(false);
        return true;
    }
    bool IsResting() const { return m_bResting.load(); }
    void SetRecording(bool bRecord);
    // Everything played while recording.
    std::vector<std::int16_t> TakeOutput();
    // The playing stream buffer: size, cursor, notification positions and contents.
    CAudioMixer::StreamSnapshot SnapshotStream();
    std::string Describe() const override { return "virtual device"; }
    // The samples played so far, in seconds.
    double ClockSeconds() const override;

private:
    std::mutex m_mutex;
    std::atomic<bool> m_bResting{false};
    std::atomic<std::uint64_t> m_nFramesPlayed{0};
    bool m_bRecording = false;
    std::vector<std::int16_t> m_scratch;
    std::vector<std::int16_t> m_output;
};
