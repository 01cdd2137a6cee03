// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/PortAudioDevice.h"

#include "playback/AudioFormat.h"

#include <portaudio.h>

#include <cstdio>

namespace
{
int StreamCallback(const void*, void* pOutput, unsigned long nFrames,
                   const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* pUserData)
{
    static_cast<CAudioMixer*>(pUserData)->Render(static_cast<std::int16_t*>(pOutput),
                                                 static_cast<unsigned>(nFrames));
    return paContinue;
}
} // namespace

std::unique_ptr<CPortAudioDevice> CPortAudioDevice::Open()
{
    std::unique_ptr<CPortAudioDevice> pDevice(new CPortAudioDevice);
    if (Pa_Initialize() != paNoError)
        return nullptr;
    pDevice->m_bInitialized = true;

    const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
    if (device == paNoDevice)
        return nullptr;
    const PaDeviceInfo* pInfo = Pa_GetDeviceInfo(device);
    if (pInfo == nullptr)
        return nullptr;
    pDevice->m_strDeviceName = pInfo->name != nullptr ? pInfo->name : "";

    PaStreamParameters output{};
    output.device = device;
    output.channelCount = kChannels;
    output.sampleFormat = paInt16;
    output.suggestedLatency = kSuggestedLatency;
    PaStream* pStream = nullptr;
    if (Pa_OpenStream(&pStream, nullptr, &output, kSampleRate, paFramesPerBufferUnspecified,
                      paClipOff | paDitherOff, StreamCallback, &pDevice->m_mixer) != paNoError)
        return nullptr;
    pDevice->m_pStream = pStream;
    if (Pa_StartStream(pStream) != paNoError)
        return nullptr;
    if (const PaStreamInfo* pStreamInfo = Pa_GetStreamInfo(pStream))
        pDevice->m_latency = pStreamInfo->outputLatency;
    return pDevice;
}

CPortAudioDevice::~CPortAudioDevice()
{
    if (m_pStream != nullptr)
    {
        auto* pStream = static_cast<PaStream*>(m_pStream);
        Pa_AbortStream(pStream);
        Pa_CloseStream(pStream);
    }
    if (m_bInitialized)
        Pa_Terminate();
}

std::string CPortAudioDevice::Describe() const
{
    char text[160];
    std::snprintf(text, sizeof text, "PortAudio, %s, %.0f ms output latency",
                  m_strDeviceName.c_str(), m_latency * 1000.0);
    return text;
}
