// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/AudioDevice.h"

#include <atomic>

struct PaStreamCallbackTimeInfo;

// The default output device through PortAudio: a callback stream that runs from Open until
// the device is destroyed and pulls the mixer's output.
class CPortAudioDevice : public CAudioDevice
{
public:
    // Short, so that a typed note and Play are heard at once (the play thread renders ahead
    // into the ring, so the callback only copies); 25 ms is the shortest that played a minute
    // through the desktop's sound server without a dropout while every core was busy. Devices
    // that refuse it get the next longer one.
    static constexpr double kLatencies[] = {0.025, 0.050, 0.080};

    // Null when no output device can be opened and started.
    static std::unique_ptr<CPortAudioDevice> Open();
    ~CPortAudioDevice() override;

    // The output latency the stream was granted, in seconds.
    double GetOutputLatency() const { return m_latency; }
    std::string Describe() const override;
    unsigned GetUnderflowCount() const override
    {
        return m_nUnderflows.load(std::memory_order_relaxed);
    }

private:
    CPortAudioDevice() = default;
    bool OpenStream(int device, double latency);
    static int StreamCallback(const void*, void* pOutput, unsigned long nFrames,
                              const PaStreamCallbackTimeInfo*, unsigned long statusFlags,
                              void* pUserData);
    void* m_pStream = nullptr; // PaStream
    bool m_bInitialized = false;
    double m_latency = 0.0;
    std::string m_strDeviceName;
    std::atomic<unsigned> m_nUnderflows{0};
};
