// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/ScopeTrigger.h"
#include "playback/VoiceScopeRing.h"

#include <cstdint>

// What the voice scopes draw: each voice's latest window of kScopeWindow samples.
class IVoiceScopeSource
{
public:
    virtual ~IVoiceScopeSource() = default;
    virtual void LatestWindow(int voice, std::int16_t* pOut) const = 0;
    // The level a voice's loudest note reaches in what plays, drawn at its strip's edges.
    virtual int FullScale() const { return INT16_MAX; }
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

private:
    const CVoiceScopeRing& m_ring;
};
