// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/VirtualAudioDevice.h"

#include "playback/AudioFormat.h"

void CVirtualAudioDevice::Advance(unsigned nFrames)
{
    // The lock only keeps concurrent Advance calls and TakeOutput apart; the mixer itself
    // runs exactly as it does in a real callback.
    std::lock_guard lock(m_mutex);
    if (m_bResting.load())
        return;
    m_scratch.resize(nFrames);
    m_mixer.Render(m_scratch.data(), nFrames);
    m_nFramesPlayed.fetch_add(nFrames);
    if (m_bRecording)
        m_output.insert(m_output.end(), m_scratch.begin(), m_scratch.end());
}

void CVirtualAudioDevice::SetRecording(bool bRecord)
{
    std::lock_guard lock(m_mutex);
    m_bRecording = bRecord;
}

std::vector<std::int16_t> CVirtualAudioDevice::TakeOutput()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_output, {});
}

CAudioMixer::StreamSnapshot CVirtualAudioDevice::SnapshotStream()
{
    std::lock_guard lock(m_mutex);
    return m_mixer.SnapshotStream();
}

double CVirtualAudioDevice::ClockSeconds() const
{
    return static_cast<double>(m_nFramesPlayed.load()) / kSampleRate;
}
