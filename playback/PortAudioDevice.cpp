// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/PortAudioDevice.h"

#include "playback/AudioFormat.h"

#include <pa_linux_alsa.h>
#include <portaudio.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sched.h>
#include <set>
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
std::set<long> ThreadsOfThisProcess()
{
    std::set<long> ids;
    if (DIR* pDir = opendir("/proc/self/task"))
    {
        while (const dirent* pEntry = readdir(pDir))
            if (const long id = std::atol(pEntry->d_name); id > 0)
                ids.insert(id);
        closedir(pDir);
    }
    return ids;
}

// Opening a stream starts the threads that carry its samples: PortAudio's callback thread
// and, behind ALSA's plugin, the sound server client's I/O thread, which inherits ordinary
// priority. If either waits behind other programs' work the device runs dry, so every thread
// the opening started runs in real time where the system allows it (below the sound server,
// which desktops run at real-time priority 5). Where it does not, they stay as they are.
// Threads that inherited the play thread's lower real-time priority are raised too.
class CRealtimeThreadsStarted
{
public:
    CRealtimeThreadsStarted() : m_before(ThreadsOfThisProcess()) {}
    ~CRealtimeThreadsStarted()
    {
        const int priority =
            std::min(CPortAudioDevice::kRealtimePriority, sched_get_priority_max(SCHED_FIFO));
        for (const long id : ThreadsOfThisProcess())
            if (m_before.count(id) == 0 && BelowPriority(static_cast<pid_t>(id), priority))
            {
                sched_param param{};
                param.sched_priority = priority;
                sched_setscheduler(static_cast<pid_t>(id), SCHED_FIFO, &param);
            }
    }
    CRealtimeThreadsStarted(const CRealtimeThreadsStarted&) = delete;
    CRealtimeThreadsStarted& operator=(const CRealtimeThreadsStarted&) = delete;

private:
    static bool BelowPriority(pid_t id, int priority)
    {
        const int policy = sched_getscheduler(id);
        if (policy == SCHED_OTHER)
            return true;
        sched_param param{};
        return (policy == SCHED_FIFO || policy == SCHED_RR) && sched_getparam(id, &param) == 0 &&
               param.sched_priority < priority;
    }
    std::set<long> m_before;
};
} // namespace

int CPortAudioDevice::StreamCallback(const void*, void* pOutput, unsigned long nFrames,
                                     const PaStreamCallbackTimeInfo* pTime,
                                     unsigned long statusFlags, void* pUserData)
{
    auto* pDevice = static_cast<CPortAudioDevice*>(pUserData);
    // Hosts that keep no clock leave both times 0.
    pDevice->m_dropouts.OnBlock(
        (statusFlags & paOutputUnderflow) != 0, pTime != nullptr ? pTime->currentTime : 0.0,
        pTime != nullptr ? pTime->outputBufferDacTime : 0.0, static_cast<unsigned>(nFrames));
    pDevice->m_mixer.Render(static_cast<std::int16_t*>(pOutput), static_cast<unsigned>(nFrames));
    return paContinue;
}

bool CPortAudioDevice::OpenStream(double latency)
{
    PaStreamParameters output{};
    output.device = m_nDevice;
    output.channelCount = kChannels;
    output.sampleFormat = paInt16;
    output.suggestedLatency = latency;
    CRealtimeThreadsStarted realtime;
    PaStream* pStream = nullptr;
    // The first blocks come from the callback too, so a stream started for a note starts
    // with the note rather than a latency of silence.
    if (Pa_OpenStream(&pStream, nullptr, &output, kSampleRate, kBlockFrames,
                      paClipOff | paDitherOff | paPrimeOutputBuffersUsingStreamCallback,
                      &CPortAudioDevice::StreamCallback, this) != paNoError)
        return false;
    const PaDeviceInfo* pInfo = Pa_GetDeviceInfo(m_nDevice);
    const PaHostApiInfo* pHost = pInfo != nullptr ? Pa_GetHostApiInfo(pInfo->hostApi) : nullptr;
    if (pHost != nullptr && pHost->type == paALSA)
        PaAlsa_EnableRealtimeScheduling(pStream, 1);
    const PaStreamInfo* pStreamInfo = Pa_GetStreamInfo(pStream);
    m_pStream = pStream;
    m_latency.store(pStreamInfo != nullptr ? pStreamInfo->outputLatency : latency);
    m_bResting = false;
    if (!StartStream())
    {
        Pa_CloseStream(pStream);
        m_pStream = nullptr;
        return false;
    }
    return true;
}

bool CPortAudioDevice::StartStream()
{
    m_dropouts.StartStream(static_cast<unsigned>(kSampleRate), m_latency.load());
    // The callback thread is made anew at each start.
    CRealtimeThreadsStarted realtime;
    return Pa_StartStream(static_cast<PaStream*>(m_pStream)) == paNoError;
}

void CPortAudioDevice::Rest()
{
    if (m_pStream == nullptr || m_bResting)
        return;
    // What it still holds is silence.
    Pa_AbortStream(static_cast<PaStream*>(m_pStream));
    m_bResting = true;
}

bool CPortAudioDevice::Wake()
{
    if (m_pStream == nullptr)
        return false;
    if (!m_bResting)
        return true;
    CQuietStandardError quiet;
    if (!StartStream())
        return false;
    m_bResting = false;
    return true;
}

void CPortAudioDevice::CloseStream(bool bPlayOut)
{
    if (m_pStream == nullptr)
        return;
    auto* pStream = static_cast<PaStream*>(m_pStream);
    if (bPlayOut)
        Pa_StopStream(pStream);
    else
        Pa_AbortStream(pStream);
    Pa_CloseStream(pStream);
    m_pStream = nullptr;
}

bool CPortAudioDevice::OpenFromStep(unsigned step)
{
    for (; step < std::size(kLatencies); ++step)
        if (OpenStream(kLatencies[step]))
        {
            m_nStep.store(step);
            return true;
        }
    return false;
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
    // PortAudio cuts an ALSA buffer into four periods, a wake each, unless told otherwise.
    // PulseAudio's plugin takes no fewer than three.
    PaAlsa_SetNumPeriods(kBlocksPerBuffer);

    pDevice->m_nDevice = Pa_GetDefaultOutputDevice();
    if (pDevice->m_nDevice == paNoDevice)
        return nullptr;
    const PaDeviceInfo* pInfo = Pa_GetDeviceInfo(pDevice->m_nDevice);
    if (pInfo == nullptr)
        return nullptr;
    pDevice->m_strDeviceName = pInfo->name != nullptr ? pInfo->name : "";
    if (!pDevice->OpenFromStep(kFirstStep))
        return nullptr;
    return pDevice;
}

bool CPortAudioDevice::RaiseLatency()
{
    const unsigned step = m_nStep.load() + 1;
    if (step >= std::size(kLatencies))
        return false;
    CQuietStandardError quiet;
    // The device plays what it holds rather than dropping it, and the song waits in the ring,
    // but the new stream starts only after the old one ended: a gap the listener hears.
    CloseStream(!m_bResting);
    m_nRaisedAt.store(GetDropouts().Total());
    m_dropouts.CountGap();
    // The stream the device had is gone; the one it refused again is retried.
    return OpenFromStep(step) || OpenFromStep(step - 1);
}

CPortAudioDevice::~CPortAudioDevice()
{
    CloseStream(false);
    if (m_bInitialized)
        Pa_Terminate();
}

std::string CPortAudioDevice::Describe() const
{
    char text[200];
    const int n = std::snprintf(text, sizeof text, "PortAudio, %s, %.0f ms output latency",
                                m_strDeviceName.c_str(), GetOutputLatency() * 1000.0);
    if (m_nStep.load() > kFirstStep && n > 0 && static_cast<std::size_t>(n) < sizeof text)
        std::snprintf(text + n, sizeof text - n, " (raised after %u dropouts)", m_nRaisedAt.load());
    return text;
}
