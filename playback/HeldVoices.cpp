// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/HeldVoices.h"

#include "sound/AgiTone.h"
#include "sound/SoundPattern.h"

void CHeldVoices::SetChip(SynthKind kind, FadeKind fade)
{
    m_kind = kind;
    // The speaker takes no fade.
    m_fade = kind == SynthKind::Speaker ? FadeKind::None : fade;
}

int CHeldVoices::FreeToneVoice(int key) const
{
    int releasing = -1;
    for (int v = 0; v < IChipWrites::kNoiseVoice; ++v)
    {
        const Voice& voice = m_voices[v];
        if (voice.bHeld && voice.key == key)
            return v;
        if (!voice.bSounding)
            return v;
        if (!voice.bHeld && releasing < 0)
            releasing = v;
    }
    return releasing;
}

void CHeldVoices::Hold(int key, int atten, bool bDrum, int noiseSetting,
                       const std::optional<CInstrument>& instrument)
{
    if (!bDrum && (key < 0 || key > kMaxNote))
        return;
    const int v = bDrum ? IChipWrites::kNoiseVoice : FreeToneVoice(key);
    if (v < 0)
        return;
    Voice& voice = m_voices[v];
    if (voice.pChip == nullptr || !voice.bSounding)
    {
        voice.pChip = MakeChipModel(m_kind);
        voice.fade = m_fade;
        voice.writtenSetting = -1;
    }
    voice.key = key;
    voice.bHeld = true;
    voice.bSounding = true;
    voice.tick = 0;
    voice.plain = {bDrum ? noiseSetting : AgiDivisorOfNote(key), atten & 0x0F};
    voice.shaped.reset();
    voice.instrument = bDrum ? std::nullopt : instrument;
    if (voice.instrument.has_value())
    {
        SoundCell cell = SoundCell::Empty();
        cell.note = static_cast<std::uint8_t>(key);
        cell.atten = static_cast<std::uint8_t>(atten & 0x0F);
        voice.shaped.emplace(false);
        voice.shaped->Start(cell, atten & 0x0F, *voice.instrument);
    }
}

bool CHeldVoices::IsAnySounding() const
{
    for (const Voice& voice : m_voices)
        if (voice.bSounding)
            return true;
    return false;
}

void CHeldVoices::LetGo(int key, bool bDrum)
{
    const int first = bDrum ? IChipWrites::kNoiseVoice : 0;
    const int last = bDrum ? IChipWrites::kNoiseVoice : IChipWrites::kNoiseVoice - 1;
    for (int v = first; v <= last; ++v)
    {
        Voice& voice = m_voices[v];
        if (!voice.bHeld || voice.key != key)
            continue;
        voice.bHeld = false;
        voice.bSounding = voice.shaped.has_value() && voice.shaped->Release();
        return;
    }
}

VoiceTick CHeldVoices::NextTick(Voice& voice)
{
    // A plain note sounds only while held.
    if (!voice.shaped.has_value())
        return voice.plain;
    const VoiceTick tick = voice.shaped->Next();
    // A release that has run out stays silent.
    if (!voice.bHeld && tick.atten >= kAgiSilentAttenuation && voice.shaped->IsSteady())
        voice.bSounding = false;
    return tick;
}

void CHeldVoices::RenderTick(int v, bool bMuted, std::int16_t* pOut)
{
    Voice& voice = m_voices[v];
    if (voice.pChip == nullptr)
        voice.pChip = MakeChipModel(m_kind);
    VoiceTick tick{voice.plain.setting, kAgiSilentAttenuation};
    if (voice.bSounding)
        tick = NextTick(voice);
    const bool bNoise = v == IChipWrites::kNoiseVoice;
    // Every tone key on its chip's first voice: the speaker sounds that one alone.
    const int chipVoice = bNoise ? IChipWrites::kNoiseVoice : 0;
    if (tick.setting != voice.writtenSetting)
    {
        if (bNoise)
            voice.pChip->StartNoise(static_cast<unsigned>(tick.setting));
        else
            voice.pChip->SetDivisor(chipVoice, static_cast<unsigned>(tick.setting));
        voice.writtenSetting = tick.setting;
    }
    unsigned atten = static_cast<unsigned>(tick.atten);
    if (!bNoise)
        atten = FadedAttenuation(voice.fade, atten, voice.tick);
    voice.pChip->SetAttenuation(chipVoice, bMuted ? IChipWrites::kSilent : atten);
    voice.pChip->Render(pOut, kSamplesPerTick);
    ++voice.tick;
}
