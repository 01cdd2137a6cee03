// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/ChipModel.h"
#include "sound/Instrument.h"
#include "sound/InstrumentVoice.h"
#include "sound/InterpreterFade.h"
#include "sound/SynthKind.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

// The keys held on a MIDI keyboard, sounding on the chip tick by tick for as long as they are
// held: a tone key takes a free tone voice (three at most), a drum key the noise channel.
// Each voice plays on a chip of its own, so a voice that starts does not wait behind what
// the others have rendered ahead, and a chord sounds whole on the speaker too.
class CHeldVoices
{
public:
    static constexpr int kVoices = IChipWrites::kVoices;
    static constexpr unsigned kSamplesPerTick = 735;

    // The chip the next keys play on; a key already sounding keeps its own.
    void SetChip(SynthKind kind, FadeKind fade);
    // Starts the key on a voice; nothing when every tone voice is taken or the key has no
    // pitch. bDrum plays the noise at noiseSetting (rate and white bit).
    void Hold(int key, int atten, bool bDrum, int noiseSetting,
              const std::optional<CInstrument>& instrument);
    // Lets the key go: its instrument's release plays, a plain note ends.
    void LetGo(int key, bool bDrum);
    // The voice makes sound, or will in its next tick.
    bool IsSounding(int voice) const { return m_voices[voice].bSounding; }
    bool IsAnySounding() const;
    // The voice's next tick; silent when muted.
    void RenderTick(int voice, bool bMuted, std::int16_t* pOut);

private:
    struct Voice
    {
        std::unique_ptr<IChipModel> pChip;
        FadeKind fade = FadeKind::None;
        int key = -1;
        bool bHeld = false;
        bool bSounding = false;
        // A shaped note reads its instrument through the voice, so both stay in place.
        std::optional<CInstrument> instrument;
        std::optional<CInstrumentVoice> shaped;
        VoiceTick plain;
        std::uint64_t tick = 0;
        int writtenSetting = -1;
    };
    int FreeToneVoice(int key) const;
    static VoiceTick NextTick(Voice& voice);

    SynthKind m_kind = SynthKind::PCjr;
    FadeKind m_fade = FadeKind::None;
    std::array<Voice, kVoices> m_voices;
};
