// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <vector>

class CSoundDoc;
class CSoundPattern;

// What the sequencer records for one channel and one row.
struct RowEntry
{
    std::uint8_t note = 0;
    std::uint8_t attenuation = 0;
    bool operator==(const RowEntry&) const = default;
};

// Fixed-capacity list of row entries, oldest first; never allocates once sized.
class CRowQueue
{
public:
    void Reset(unsigned nCapacity);
    void Clear() { m_nCount = 0; }
    bool IsEmpty() const { return m_nCount == 0; }
    unsigned GetCount() const { return m_nCount; }
    // Appends, dropping the oldest entry when the queue is full.
    void Append(RowEntry entry);
    const RowEntry& operator[](unsigned i) const
    {
        return m_entries[(m_nHead + i) % m_entries.size()];
    }

private:
    std::vector<RowEntry> m_entries;
    unsigned m_nHead = 0;
    unsigned m_nCount = 0;
};

// Turns a sound document into 16-bit mono PCM one row at a time: the sequencer, the three
// sine voices and the mix. The play thread and the offline renderer drive the same object,
// so what is exported is what is heard.
class CToneSynth
{
public:
    static constexpr int kNoteCount = 120;
    static constexpr int kRampSamples = 288;
    static constexpr int kPeak = 10000;
    static constexpr unsigned kPreviewBytes = 22050;
    static constexpr unsigned kPreviewLeadBytes = 2000;

    CToneSynth();

    // Bytes per row for a tempo: a whole number of samples.
    static unsigned RowBytes(int beatsPerMinute, int tracksPerBeat);
    // Rows in the stream buffer for a row length: even and at least 4.
    static unsigned BlocksForRowBytes(unsigned rowBytes);
    // 1 at attenuation 0 down to 0.02 at 14; 0 at 15 and above.
    static double Amplitude(int attenuation);
    // The fade factor of ramp sample j for a ramp of the given length.
    static double RampFactor(int j, int rampLength);

    // Prepares for a playback start with rows of rowBytes and a stream buffer of nBlocks rows.
    void Start(unsigned rowBytes, unsigned nBlocks);
    // Forgets the channel pattern state and the queues and frees the row buffers.
    void Release();

    // Entries a queue holds while playing. The renderer reads three (previous, current and
    // next row), so the queue never holds fewer than three whatever the buffer's rows.
    unsigned QueueLength() const { return m_nBlocks < 3 ? 3 : m_nBlocks; }
    unsigned GetSamplesPerRow() const { return m_nSamples; }

    // Sequences the row at m_renderPos on all four channels, then advances m_renderPos
    // through the play range. The caller holds the document's guard.
    void SequenceRow(const CSoundDoc& doc);
    // Renders the current row (queue entry 1) of one channel into m_channelBuf[channel].
    void RenderChannel(int channel);
    // RenderChannel for channels 0 to 3, with the voices' oscillators run side by side.
    void RenderChannels();
    // out[i] = voice 0 + voice 1 + voice 2 for the row just rendered.
    void MixRow(std::int16_t* pOut) const;

    // Fills kPreviewBytes / 2 samples: a quarter second holding a ramped sine of the note
    // between two stretches of silence. Returns false for a note without a frequency.
    bool RenderPreview(int note, std::int16_t* pOut) const;

    std::array<double, kNoteCount> m_freq{};
    std::array<std::int32_t, 4> m_patternStart{};
    std::array<const CSoundPattern*, 4> m_pattern{};
    std::array<CRowQueue, 4> m_queue;
    std::array<std::int32_t, 4> m_attenuation{};
    std::array<std::array<double, 3>, 4> m_osc{};
    std::array<std::vector<std::int16_t>, 4> m_channelBuf;
    unsigned m_nBlocks = 0;
    std::int32_t m_renderPos = 0;

private:
    // One channel's row between its set-up and its ramps.
    struct VoiceRow
    {
        double k = 0.0, y2 = 0.0, y1 = 0.0;
        double amplitude = 0.0;
        bool bSound = false;
        bool bFadeIn = false;
        bool bFadeOut = false;
    };
    VoiceRow BeginChannel(int channel);
    void EndChannel(int channel, const VoiceRow& voice);
    template <int N> void Oscillate(VoiceRow* const* ppVoices, std::int16_t* const* ppOut) const;
    void ApplyRamps(std::int16_t* pSamples, unsigned n, bool bFadeIn, bool bFadeOut) const;

    unsigned m_nSamples = 0;
    // Ramp factors for the current row length.
    std::vector<double> m_ramp;
};
