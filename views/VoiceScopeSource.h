// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/ScopeTrigger.h"
#include "playback/VoiceScopeRing.h"

#include <QObject>

#include <cstdint>

// What the voice scopes draw: each voice's latest window of kScopeWindow samples, and whether
// there is anything to follow, so that the scopes run only while something sounds.
class IVoiceScopeSource : public QObject
{
    Q_OBJECT
public:
    virtual void LatestWindow(int voice, std::int16_t* pOut) const = 0;
    // The level a voice's loudest note reaches in what plays, drawn at its strip's edges.
    virtual int FullScale() const { return INT16_MAX; }
    // The windows may change from now on: a sound is heard, or has yet to end.
    virtual bool IsSounding() const = 0;

signals:
    // A sound was asked for; the source may say it sounds only a moment later.
    void SoundRequested();
};

// The play thread's rings, read as heard and triggered.
class CRingScopeSource : public IVoiceScopeSource
{
public:
    explicit CRingScopeSource(const CVoiceScopeRing& ring) : m_ring(ring) {}
    void LatestWindow(int voice, std::int16_t* pOut) const override
    {
        ReadScopeWindow(m_ring, voice, pOut);
    }
    bool IsSounding() const override
    {
        return ScopeWindowsMove(m_ring, CVoiceScopeRing::NowInSamples());
    }

private:
    const CVoiceScopeRing& m_ring;
};
