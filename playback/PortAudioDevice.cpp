// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/PortAudioDevice.h"

#include "playback/AudioFormat.h"

#include <pa_linux_alsa.h>
#include <portaudio.h>

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace
{
// PortAudio probes every host API it was built with; ALSA and JACK print dozens of lines
// about devices that do not exist. Nothing they say there is ours to show.
class CQuietStandardError
{
public:
    CQuietStandardError()
    {
        std::fflush(stderr);
        m_nSaved = dup(STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_nSaved >= 0 && null >= 0)
            dup2(null, STDERR_FILENO);
        if (null >= 0)
            close(null);
    }
    ~CQuietStandardError()
    {
        if (m_nSaved < 0)
            return;
        dup2(m_nSaved, STDERR_FILENO);
        close(m_nSaved);
    }
    CQuietStandardError(const CQuietStandardError&) = delete;
    CQuietStandardError& operator=(const CQuietStandardError&) = delete;

private:
    int m_nSaved = -1;
};

// ALSA reports every underrun it recovers from on stderr; the About box counts them instead.
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsaErrors()
{
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    // Looked up rather than linked: PortAudio brings ALSA in where it was built with it.
    if (auto set = reinterpret_cast<SetHandler>(dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler")))
        set(&IgnoreAlsaError);
}
} // namespace

int CPortAudioDevice::StreamCallback(const void*, void* pOutput, unsigned long nFrames,
                                     const PaStreamCallbackTimeInfo*, unsigned long statusFlags,
                                     void* pUserData)
{
    auto* pDevice = static_cast<CPortAudioDevice*>(pUserData);
    if ((statusFlags & paOutputUnderflow) != 0)
        pDevice->m_nUnderflows.fetch_add(1, std::memory_order_relaxed);
    pDevice->m_mixer.Render(static_cast<std::int16_t*>(pOutput), static_cast<unsigned>(nFrames));
    return paContinue;
}

bool CPortAudioDevice::OpenStream(int device, double latency)
{
    PaStreamParameters output{};
    output.device = device;
    output.channelCount = kChannels;
    output.sampleFormat = paInt16;
    output.suggestedLatency = latency;
    PaStream* pStream = nullptr;
    if (Pa_OpenStream(&pStream, nullptr, &output, kSampleRate, paFramesPerBufferUnspecified,
                      paClipOff | paDitherOff, &CPortAudioDevice::StreamCallback,
                      this) != paNoError)
        return false;
    // A buffer this short only holds when the callback is not kept waiting behind other
    // programs' work; where the system allows it, ALSA's callback thread runs in real time.
    const PaDeviceInfo* pInfo = Pa_GetDeviceInfo(device);
    const PaHostApiInfo* pHost = pInfo != nullptr ? Pa_GetHostApiInfo(pInfo->hostApi) : nullptr;
    if (pHost != nullptr && pHost->type == paALSA)
        PaAlsa_EnableRealtimeScheduling(pStream, 1);
    if (Pa_StartStream(pStream) != paNoError)
    {
        Pa_CloseStream(pStream);
        return false;
    }
    m_pStream = pStream;
    return true;
}

std::unique_ptr<CPortAudioDevice> CPortAudioDevice::Open()
{
    std::unique_ptr<CPortAudioDevice> pDevice(new CPortAudioDevice);
    // A JACK server is never started just to probe it.
    setenv("JACK_NO_START_SERVER", "1", 0);
    QuietAlsaErrors();
    CQuietStandardError quiet;
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

    bool bOpen = false;
    for (const double latency : kLatencies)
        if ((bOpen = pDevice->OpenStream(device, latency)))
            break;
    if (!bOpen)
        return nullptr;
    if (const PaStreamInfo* pStreamInfo =
            Pa_GetStreamInfo(static_cast<PaStream*>(pDevice->m_pStream)))
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
