// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/MidiInput.h"

#include <RtMidi.h>
#include <jack/jack.h>

#include <algorithm>

#include <sys/eventfd.h>
#include <unistd.h>

struct CMidiInput::Port
{
    MidiSystem system;
    CMidiNoteQueue queue;
    std::unique_ptr<RtMidiIn> pIn;
    // An error the library reported (it reports through this rather than throwing).
    bool bFailed = false;

    Port(MidiSystem midiSystem, int wakeFd) : system(midiSystem), queue(wakeFd) {}
};

namespace
{
RtMidi::Api MidiApiOf(MidiSystem system)
{
    return system == MidiSystem::Jack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA;
}

void MidiErrorToPort(RtMidiError::Type type, const std::string& /*text*/, void* pUser)
{
    if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING)
        static_cast<CMidiInput::Port*>(pUser)->bFailed = true;
}

// On the system's own thread: only note on and off go on, and nothing waits.
void MidiMessageToPort(double /*deltaSeconds*/, std::vector<unsigned char>* pMessage, void* pUser)
{
    if (pMessage->size() < 3)
        return;
    const unsigned char status = (*pMessage)[0] & 0xF0;
    if (status != 0x80 && status != 0x90)
        return;
    const MidiKeyEvent event{status == 0x90 && (*pMessage)[2] != 0,
                             static_cast<std::uint8_t>((*pMessage)[1] & 0x7F),
                             static_cast<std::uint8_t>((*pMessage)[2] & 0x7F),
                             static_cast<std::uint8_t>((*pMessage)[0] & 0x0F)};
    static_cast<CMidiInput::Port*>(pUser)->queue.Push(event);
}

void SilentJackMessage(const char* /*text*/) {}

// Asked without starting a server, and without the library's messages on stderr.
bool IsJackRunning()
{
    jack_set_error_function(SilentJackMessage);
    jack_set_info_function(SilentJackMessage);
    jack_status_t status{};
    jack_client_t* pClient = jack_client_open(CMidiInput::kClientName, JackNoStartServer, &status);
    if (pClient == nullptr)
        return false;
    jack_client_close(pClient);
    return true;
}

// The library prints its own complaint before it throws where the sequencer is missing.
bool HasAlsaSequencer()
{
    return ::access("/dev/snd/seq", R_OK | W_OK) == 0;
}

bool IsMidiSystemRunning(MidiSystem system)
{
    return system == MidiSystem::Jack ? IsJackRunning() : HasAlsaSequencer();
}

std::unique_ptr<CMidiInput::Port> OpenMidiPort(MidiSystem system, int wakeFd)
{
    auto pPort = std::make_unique<CMidiInput::Port>(system, wakeFd);
    try
    {
        pPort->pIn = std::make_unique<RtMidiIn>(MidiApiOf(system), CMidiInput::kClientName);
    }
    catch (const RtMidiError&)
    {
        return nullptr;
    }
    pPort->pIn->setErrorCallback(MidiErrorToPort, pPort.get());
    pPort->pIn->setCallback(MidiMessageToPort, pPort.get());
    return pPort;
}
} // namespace

const char* MidiSystemName(MidiSystem system)
{
    return system == MidiSystem::Jack ? "JACK" : "ALSA";
}

CMidiInput::CMidiInput() : m_wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

CMidiInput::~CMidiInput()
{
    // The ports stop their threads before their queues go.
    m_connection.reset();
    m_alsa.reset();
    m_jack.reset();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void CMidiInput::Start(const std::vector<MidiSystem>& systems)
{
    for (const MidiSystem system : systems)
    {
        if (!IsMidiSystemRunning(system))
            continue;
        std::unique_ptr<Port> pPort = OpenMidiPort(system, m_wakeFd);
        if (pPort == nullptr)
            continue;
        pPort->pIn->openVirtualPort(kOwnPortName);
        if (pPort->bFailed)
            continue;
        (system == MidiSystem::Jack ? m_jack : m_alsa) = std::move(pPort);
    }
}

bool CMidiInput::IsAvailable() const
{
    return m_alsa != nullptr || m_jack != nullptr;
}

CMidiInput::Port* CMidiInput::OwnPort(MidiSystem system) const
{
    return system == MidiSystem::Jack ? m_jack.get() : m_alsa.get();
}

std::vector<MidiPortName> CMidiInput::ListPorts() const
{
    std::vector<MidiPortName> ports;
    for (const MidiSystem system : {MidiSystem::Alsa, MidiSystem::Jack})
    {
        Port* pPort = OwnPort(system);
        if (pPort == nullptr)
            continue;
        const unsigned nPorts = pPort->pIn->getPortCount();
        for (unsigned i = 0; i < nPorts; ++i)
        {
            std::string name = pPort->pIn->getPortName(i);
            if (!name.empty())
                ports.push_back({system, std::move(name)});
        }
    }
    return ports;
}

bool CMidiInput::Connect(const MidiPortName& port)
{
    Disconnect();
    const Port* pOwn = OwnPort(port.system);
    if (pOwn == nullptr)
        return false;
    const unsigned nPorts = pOwn->pIn->getPortCount();
    unsigned index = 0;
    while (index < nPorts && pOwn->pIn->getPortName(index) != port.name)
        ++index;
    if (index == nPorts)
        return false;
    std::unique_ptr<Port> pPort = OpenMidiPort(port.system, m_wakeFd);
    if (pPort == nullptr)
        return false;
    pPort->pIn->openPort(index, kConnectionPortName);
    if (pPort->bFailed || !pPort->pIn->isPortOpen())
        return false;
    m_connection = std::move(pPort);
    m_connected = port;
    return true;
}

void CMidiInput::Disconnect()
{
    m_connection.reset();
    m_connected.reset();
}

bool CMidiInput::IsConnectedPortPresent() const
{
    if (!m_connected)
        return false;
    const std::vector<MidiPortName> ports = ListPorts();
    return std::find(ports.begin(), ports.end(), *m_connected) != ports.end();
}

bool CMidiInput::TakeEvent(MidiKeyEvent& event, MidiSource& source)
{
    if (m_alsa != nullptr && m_alsa->queue.Pop(event))
        source = MidiSource::AlsaOwnPort;
    else if (m_jack != nullptr && m_jack->queue.Pop(event))
        source = MidiSource::JackOwnPort;
    else if (m_connection != nullptr && m_connection->queue.Pop(event))
        source = MidiSource::Connected;
    else
        return false;
    return true;
}
