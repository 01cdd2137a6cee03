// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/AudioDevice.h"

#include <mutex>
#include <utility>
#include <vector>

// An output device without hardware: its clock moves only when Advance is called, so the
// play cursor, the notifications and the output are exactly reproducible.
class CVirtualAudioDevice : public CAudioDevice
{
public:
    CVirtualAudioDevice() = default;

    // Plays nFrames samples: the cursor moves, notifications fire, the output is recorded
    // when recording is on.
    void Advance(unsigned nFrames);
    void SetRecording(bool bRecord);
    // Everything played while recording.
    std::vector<std::int16_t> TakeOutput();
    // The playing stream buffer: size, cursor, notification positions and contents.
    CAudioMixer::StreamSnapshot SnapshotStream();
    std::string Describe() const override { return "virtual device"; }

private:
    std::mutex m_mutex;
    bool m_bRecording = false;
    std::vector<std::int16_t> m_scratch;
    std::vector<std::int16_t> m_output;
};
