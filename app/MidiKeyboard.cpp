// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MidiKeyboard.h"

#include <QActionGroup>
#include <QMenu>
#include <QSettings>
#include <QSocketNotifier>

#include <cstdint>

#include <unistd.h>

namespace
{
constexpr int kPortWatchMilliseconds = 500;

QString PortSettingOf(const MidiPortName& port)
{
    return QString::fromLatin1(MidiSystemName(port.system)) + QLatin1Char('\n') +
           QString::fromStdString(port.name);
}
} // namespace

CMidiKeyboard::CMidiKeyboard(QObject* pParent) : QObject(pParent)
{
    m_watch.setInterval(kPortWatchMilliseconds);
    connect(&m_watch, &QTimer::timeout, this, &CMidiKeyboard::WatchConnection);
}

CMidiKeyboard::~CMidiKeyboard() = default;

void CMidiKeyboard::Start(const std::vector<MidiSystem>& systems)
{
    m_input.Start(systems);
    if (!m_input.IsAvailable())
        return;
    m_pWake = new QSocketNotifier(m_input.GetWakeDescriptor(), QSocketNotifier::Read, this);
    connect(m_pWake, &QSocketNotifier::activated, this, &CMidiKeyboard::TakeEvents);
    const QString chosen = QSettings().value(QLatin1String(kPortSetting)).toString();
    for (const MidiPortName& port : m_input.ListPorts())
        if (PortSettingOf(port) == chosen)
        {
            if (m_input.Connect(port))
                m_watch.start();
            break;
        }
}

QString CMidiKeyboard::MenuText(const MidiPortName& port)
{
    QString text = QString::fromLatin1(MidiSystemName(port.system)) + QStringLiteral(": ") +
                   QString::fromStdString(port.name);
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

void CMidiKeyboard::FillMenu(QMenu& menu)
{
    menu.clear();
    const std::vector<MidiPortName> ports = m_input.ListPorts();
    if (!m_input.IsAvailable() || ports.empty())
    {
        // A system without a keyboard on it has nothing to connect to either.
        menu.addAction(QString::fromLatin1(kNoInputText))->setEnabled(false);
        return;
    }
    auto* pGroup = new QActionGroup(&menu);
    pGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const MidiPortName& port : ports)
    {
        QAction* pAction = menu.addAction(MenuText(port));
        pAction->setCheckable(true);
        pAction->setChecked(GetConnected() == port);
        pGroup->addAction(pAction);
        connect(pAction, &QAction::triggered, this,
                [this, port](bool bChecked)
                {
                    if (bChecked)
                        Connect(port);
                    else
                        Disconnect();
                });
    }
}

bool CMidiKeyboard::Connect(const MidiPortName& port)
{
    ReleaseKeys(MidiSource::Connected);
    if (!m_input.Connect(port))
    {
        m_watch.stop();
        return false;
    }
    QSettings().setValue(QLatin1String(kPortSetting), PortSettingOf(port));
    m_watch.start();
    return true;
}

void CMidiKeyboard::Disconnect()
{
    ReleaseKeys(MidiSource::Connected);
    m_input.Disconnect();
    m_watch.stop();
    QSettings().remove(QLatin1String(kPortSetting));
}

void CMidiKeyboard::TakeEvents()
{
    std::uint64_t nSignals = 0;
    [[maybe_unused]] const ssize_t n =
        ::read(m_input.GetWakeDescriptor(), &nSignals, sizeof nSignals);
    MidiKeyEvent event;
    MidiSource source{};
    while (m_input.TakeEvent(event, source))
    {
        const std::pair<int, int> key{event.key, event.channel};
        if (event.bDown)
        {
            m_down[source].insert(key);
            emit NoteOn(event.key, event.velocity, event.channel);
        }
        // An off for a key not down (one struck before a reconnection) is nobody's.
        else if (m_down[source].erase(key) != 0)
            emit NoteOff(event.key, event.channel);
    }
}

void CMidiKeyboard::WatchConnection()
{
    if (m_input.IsConnectedPortPresent())
        return;
    const QString lost = GetConnected() ? MenuText(*GetConnected()) : QString();
    TakeEvents();
    ReleaseKeys(MidiSource::Connected);
    m_input.Disconnect();
    m_watch.stop();
    // The choice stays: the keyboard plugged in again is connected at the next start.
    emit PortLost(lost);
}

void CMidiKeyboard::ReleaseKeys(MidiSource source)
{
    const std::set<std::pair<int, int>> down = std::exchange(m_down[source], {});
    for (const auto& [key, channel] : down)
        emit NoteOff(key, channel);
}
