// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/AudioDevice.h"

// The default output device through PortAudio: a callback stream that runs from Open until
// the device is destroyed and pulls the mixer's output.
class CPortAudioDevice : public CAudioDevice
{
public:
    // Long enough to ride out a busy machine, short enough that a previewed note follows
    // the key at once.
    static constexpr double kSuggestedLatency = 0.080;

    // Null when no output device can be opened and started.
    static std::unique_ptr<CPortAudioDevice> Open();
    ~CPortAudioDevice() override;

    // The output latency the stream was granted, in seconds.
    double GetOutputLatency() const { return m_latency; }
    std::string Describe() const override;

private:
    CPortAudioDevice() = default;
    void* m_pStream = nullptr; // PaStream
    bool m_bInitialized = false;
    double m_latency = 0.0;
    std::string m_strDeviceName;
};
