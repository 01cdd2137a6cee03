// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/MidiNoteQueue.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class RtMidiIn;

enum class MidiSystem
{
    Alsa, // the ALSA sequencer
    Jack,
};
// "ALSA" or "JACK".
const char* MidiSystemName(MidiSystem system);

// A port to take keys from: its system and the name that system gives it.
struct MidiPortName
{
    MidiSystem system = MidiSystem::Alsa;
    std::string name;
    bool operator==(const MidiPortName&) const = default;
};

// Where a key event came from: Tarvok's own port of one system, or the port connected to.
enum class MidiSource
{
    AlsaOwnPort,
    JackOwnPort,
    Connected,
};

// The MIDI keyboards' way in: on every MIDI system that is running, Tarvok's own input port
// ("Tarvok MIDI In") for others to connect to, and one port of either system that Tarvok
// connects to itself. Key events arrive on the systems' threads and are queued for the one
// thread that owns this object, which is woken through GetWakeDescriptor. A machine without
// any MIDI system gives no port and prints nothing.
class CMidiInput
{
public:
    static constexpr const char* kClientName = "Tarvok";
    static constexpr const char* kOwnPortName = "Tarvok MIDI In";
    // The port made for a connection Tarvok makes itself.
    static constexpr const char* kConnectionPortName = "Tarvok Keyboard";

    CMidiInput();
    ~CMidiInput();
    CMidiInput(const CMidiInput&) = delete;
    CMidiInput& operator=(const CMidiInput&) = delete;

    // Opens the own port on each of the systems that is running.
    void Start(const std::vector<MidiSystem>& systems = {MidiSystem::Alsa, MidiSystem::Jack});
    // Some MIDI system is running (after Start).
    bool IsAvailable() const;

    // The ports of every running system that send keys, as they are now.
    std::vector<MidiPortName> ListPorts() const;
    // Takes keys from that port (and from it alone of the ports Tarvok connects to itself);
    // false when it is not there or cannot be opened.
    bool Connect(const MidiPortName& port);
    void Disconnect();
    const std::optional<MidiPortName>& GetConnected() const { return m_connected; }
    // False once the port connected to has gone from its system.
    bool IsConnectedPortPresent() const;

    // Readable whenever key events are waiting; the reader empties it (eventfd semantics).
    int GetWakeDescriptor() const { return m_wakeFd; }
    // The next waiting event of any source, in order of arrival within each source.
    bool TakeEvent(MidiKeyEvent& event, MidiSource& source);

    // One open port of the library (MidiInput.cpp).
    struct Port;

private:
    Port* OwnPort(MidiSystem system) const;

    int m_wakeFd = -1;
    std::unique_ptr<Port> m_alsa;
    std::unique_ptr<Port> m_jack;
    std::unique_ptr<Port> m_connection;
    std::optional<MidiPortName> m_connected;
};
