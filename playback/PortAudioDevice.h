// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/AudioDevice.h"
#include "playback/DropoutCounter.h"

#include <atomic>

struct PaStreamCallbackTimeInfo;

// The default output device through PortAudio: a callback stream that runs from Open until
// the device is destroyed and pulls the mixer's output.
class CPortAudioDevice : public CAudioDevice
{
public:
    // Short, so that a typed note and Play are heard at once (the play thread renders ahead
    // into the ring, so the callback only copies). Devices that refuse one get the next, and
    // so does a device that keeps running dry.
    static constexpr double kLatencies[] = {0.020, 0.050, 0.080, 0.120, 0.200};
    // The callback's block: 10 ms, two to the shortest latency. Each block costs a wake of
    // the callback and of the sound server's client, so fewer and larger blocks are most of
    // what playing costs; a buffer of few of them keeps a typed note as prompt as before.
    static constexpr unsigned long kBlockFrames = 441;
    static constexpr int kBlocksPerBuffer = 2;
#if defined(__SANITIZE_ADDRESS__)
    // Under AddressSanitizer the sound server's client, which runs in this process, stalls
    // for longer than 25 ms when both cores are busy.
    static constexpr unsigned kFirstStep = 1;
#else
    static constexpr unsigned kFirstStep = 0;
#endif
    // The output's threads, below a desktop sound server's 5.
    static constexpr int kRealtimePriority = 3;

    // Null when no output device can be opened and started.
    static std::unique_ptr<CPortAudioDevice> Open();
    ~CPortAudioDevice() override;

    // The output latency the stream was granted, in seconds.
    double GetOutputLatency() const
    {
        return m_latency.load();
    }
    std::string Describe() const override;
    DropoutCounts GetDropouts() const override
    {
        DropoutCounts counts = m_dropouts.GetCounts();
        counts.ring = GetStarvedCount();
        return counts;
    }
    bool RaiseLatency() override;
    void Rest() override;
    bool Wake() override;

private:
    CPortAudioDevice() = default;
    // Tries the latencies from step on; false when none opens.
    bool OpenFromStep(unsigned step);
    bool OpenStream(double latency);
    // Starts the open stream; false when it does not start.
    bool StartStream();
    void CloseStream(bool bPlayOut);
    static int StreamCallback(const void*, void* pOutput, unsigned long nFrames,
                              const PaStreamCallbackTimeInfo*, unsigned long statusFlags,
                              void* pUserData);
    void* m_pStream = nullptr; // PaStream
    bool m_bInitialized = false;
    bool m_bResting = false;
    int m_nDevice = -1;
    std::atomic<unsigned> m_nStep{0};
    std::atomic<unsigned> m_nRaisedAt{0}; // dropouts counted when the latency was last raised
    std::atomic<double> m_latency{0.0};
    std::string m_strDeviceName;
    CDropoutCounter m_dropouts;
};
