// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Document.h"
#include "sound/Instrument.h"
#include "sound/InterpreterFade.h"
#include "sound/PatternIndex.h"
#include "sound/SequenceMap.h"
#include "sound/SoundPattern.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

constexpr int kChannelCount = 4;
constexpr int kNoiseChannel = 3;
inline bool IsChannel(int channel)
{
    return channel >= 0 && channel < kChannelCount;
}
// "Voice0", "Voice1", "Voice2", "Noise".
extern const char* const g_channelNames[kChannelCount];

// Position in the sequence editor: a channel and a step of m_nStepSize rows.
struct SequencePos
{
    std::int32_t channel = 0;
    std::int32_t step = 0;
    bool operator==(const SequencePos&) const = default;
};

class CSoundDoc;

// A pattern's identity within its document (CSoundPattern::GetId); 0 means none.
using PatternId = std::uint32_t;

struct SoundProperties
{
    std::int32_t beatsPerMinute = 125;
    std::int32_t stepSize = 16;
    std::int32_t tracksPerBeat = 4;
    bool operator==(const SoundProperties&) const = default;
};

// The rows a playback or an export covers: the document's play range, or the whole song.
struct PlayRange
{
    std::int32_t start = 0;
    std::int32_t end = 16;
    bool operator==(const PlayRange&) const = default;
};

// A pattern taken out of its document with everything needed to put it back as it was.
struct RemovedPattern
{
    int channel = -1;
    std::size_t index = 0;
    std::unique_ptr<CSoundPattern> pattern;
    std::vector<std::int32_t> placements; // song positions
};

struct PatternCursor
{
    std::int32_t field = 0; // 0 note/frequency, 1 noise type, 2-3 attenuation digits
    std::int32_t row = 0;
};

// The extension of the document files.
inline constexpr char kDocumentExtension[] = ".tks";

// A channel's patterns as a const document hands them out: read-only.
class CPatternView
{
public:
    using List = std::vector<std::unique_ptr<CSoundPattern>>;
    class Iterator
    {
    public:
        explicit Iterator(List::const_iterator it) : m_it(it) {}
        const CSoundPattern* operator*() const { return m_it->get(); }
        Iterator& operator++()
        {
            ++m_it;
            return *this;
        }
        bool operator==(const Iterator&) const = default;

    private:
        List::const_iterator m_it;
    };

    explicit CPatternView(const List& list) : m_list(list) {}
    std::size_t size() const { return m_list.size(); }
    bool empty() const { return m_list.empty(); }
    const CSoundPattern* operator[](std::size_t i) const { return m_list[i].get(); }
    const CSoundPattern* at(std::size_t i) const { return m_list.at(i).get(); }
    Iterator begin() const { return Iterator(m_list.begin()); }
    Iterator end() const { return Iterator(m_list.end()); }

private:
    const List& m_list;
};

// The document of one sound: settings, four channels of patterns and sequences, play range.
// What the editors show of it (cursors, current pattern, transport) is the editing
// session's. A const document is read-only: what it hands out cannot change it.
//
// The play thread reads the document while the user edits it: every change and every read
// from another thread happens under Guard(). Document operations take it themselves; only
// the core's own readers on other threads (the play thread) take it around their reads.
class CSoundDoc : public CDocument
{
public:
    using PatternList = CPatternView::List;
    // A placement refers to its pattern; it never changes it.
    using Sequence = CSequenceMap;

    // Everything the sound holds, out of its document: a replaced song kept for undo. Its
    // patterns keep their ids, so steps made before the song was replaced still find them.
    struct Contents
    {
        SoundProperties properties;
        PlayRange range;
        std::array<std::int32_t, kChannelCount> nextPattern{};
        std::array<PatternList, kChannelCount> patterns;
        std::array<Sequence, kChannelCount> sequences;
        std::vector<CInstrument> instruments;
    };

    // Name of the pattern block on the clipboard and in drag and drop.
    static constexpr const char* kPatternFormatName = "Tarvok Sound Pattern";
    static constexpr const char* kPatternMimeType = "application/x-tarvok-sound-pattern";

    CSoundDoc();
    ~CSoundDoc() override;

    std::recursive_mutex& Guard() const { return m_guard; }

    // Framework steps.
    void DeleteContents() override;
    bool OnNewDocument() override;
    void Serialize(CArchive& ar) override;
    // Writes the document's file through ar as Serialize stores it, changing nothing.
    void Store(CArchive& ar) const;

    // Patterns and sequences.
    CSoundPattern* CreatePattern(int channel, std::int32_t rows, const char* pszName = nullptr);
    CSoundPattern* CopyPattern(int channel, const CSoundPattern* pSource);
    // Appends a pattern made elsewhere (a pasted or dropped block) to the channel's list as
    // it is: its name stays and the channel's next pattern number does not advance. Its cells
    // that name an instrument this sound lacks (one from another sound) play plain.
    CSoundPattern* AddPattern(int channel, std::unique_ptr<CSoundPattern> pPattern);
    void DeletePattern(CSoundPattern* pPattern);
    int FindPatternChannel(const CSoundPattern* pPattern) const;
    bool HoldsPattern(int channel, const CSoundPattern* pPattern) const;
    CSoundPattern* GetPatternAt(const SequencePos& pos);
    const CSoundPattern* GetPatternAt(const SequencePos& pos) const;
    // Refuses a pattern that is not in the channel's own list.
    void SetPatternAt(const SequencePos* pPos, CSoundPattern* pPattern);
    bool DeleteSequenceStep(int channel, std::int32_t pos);
    bool InsertSequenceStep(int channel, std::int32_t pos);
    // The row after the last one of the whole song: the largest placement position plus its
    // pattern's rows over all channels (0 for an empty song).
    std::int32_t GetWholeSongEnd() const;
    // 0 to GetWholeSongEnd(): what an export of the whole song covers.
    PlayRange GetWholeSong() const { return {0, GetWholeSongEnd()}; }
    // The name the export choosers offer: the document's name without its extension, or
    // "sound" for a document without a name (a bare ".mid" would be a hidden file).
    std::string GetExportFileStem() const;
    // Song position of a sequence step: the low 16 bits of the step, signed, times the step size.
    std::int32_t StepToSongPos(std::int32_t step) const;

    // Reads. The editor's thread is the only writer and reads without the guard; any other
    // thread holds Guard() while it reads.
    const PatternList& GetPatterns(int channel) { return m_patterns[channel]; }
    CPatternView GetPatterns(int channel) const { return CPatternView(m_patterns[channel]); }
    const Sequence& GetSequence(int channel) const { return m_sequence[channel]; }
    std::int32_t GetStepSize() const { return m_nStepSize; }
    std::int32_t GetBeatsPerMinute() const { return m_nBeatsPerMinute; }
    std::int32_t GetTracksPerBeat() const { return m_nTracksPerBeat; }

    // The sound's instruments in their order, each number once (1-99, at most 99 of them).
    const std::vector<CInstrument>& GetInstruments() const { return m_instruments; }
    // The instrument of that number, or nullptr.
    const CInstrument* FindInstrument(int number) const;
    // Replaces them all (a step of the Instruments window); refused, changing nothing, when
    // one is not valid or a number comes twice.
    bool SetInstruments(std::vector<CInstrument> instruments);
    // What the last load of a file changed to take it (a value clamped, an unknown
    // instrument dropped), one line each; empty for a file taken as it stands.
    const std::vector<std::string>& GetLoadNotes() const { return m_loadNotes; }
    void AddLoadNote(std::string note) { m_loadNotes.push_back(std::move(note)); }

    // Building steps for importers and for a range borrowed for a while: they take the guard
    // but neither mark the document modified nor tell the views.
    // Returns the pattern placed, or nullptr for one that is not in the channel's own list.
    CSoundPattern* PlacePattern(int channel, std::int32_t songPos, CSoundPattern* pPattern);
    void AssignProperties(const SoundProperties& props);
    void AssignPlayRange(const PlayRange& range);
    // As SetInstruments, quietly; for the readers, which have made them valid.
    void AssignInstruments(std::vector<CInstrument> instruments);

    // Edits. Each one takes the guard, marks the document modified and tells the views; the
    // editors and their undo steps change the document through these only.
    CSoundPattern* FindPattern(PatternId id);
    const CSoundPattern* FindPattern(PatternId id) const;
    std::vector<SoundCell> GetCells(PatternId id, std::int32_t row, std::int32_t count) const;
    // Writes are clipped at the pattern's end.
    bool SetCells(PatternId id, std::int32_t row, const std::vector<SoundCell>& cells);
    // Rows pushed past the end are lost; rows pulled up leave empty cells at the end.
    bool InsertRows(PatternId id, std::int32_t row, std::int32_t count);
    bool DeleteRows(PatternId id, std::int32_t row, std::int32_t count);
    PatternId NewPattern(int channel, std::int32_t rows, const std::string& name);
    PatternId DuplicatePattern(PatternId source);
    PatternId InsertPattern(int channel, std::unique_ptr<CSoundPattern> pPattern);
    RemovedPattern RemovePattern(PatternId id);
    // Puts back what RemovePattern took, the pattern included.
    void RestorePattern(RemovedPattern& removed);
    bool RenamePattern(PatternId id, const std::string& name);
    bool ResizePattern(PatternId id, std::int32_t rows);
    std::int32_t GetNextPatternNumber(int channel) const;
    void SetNextPatternNumber(int channel, std::int32_t number);
    PatternId GetPlacement(const SequencePos& pos) const;
    // Id 0 clears the step; a pattern of another channel is refused.
    bool SetPlacement(const SequencePos& pos, PatternId id);
    bool InsertStep(int channel, std::int32_t step);
    bool DeleteStep(int channel, std::int32_t step);
    using Placements = std::map<std::int32_t, PatternId>;
    Placements GetPlacements(int channel) const;
    void SetPlacements(int channel, const Placements& placements);
    SoundProperties GetProperties() const;
    void SetProperties(const SoundProperties& props);
    PlayRange GetPlayRange() const;
    void SetPlayRange(const PlayRange& range);
    // Exchanges the whole sound with contents.
    void SwapContents(Contents& contents);

    // Whether the document holds what it promises: settings in the ranges its reader and
    // dialogs keep; every pattern once, with an id of its own that no new pattern will take,
    // a row count in range and a cell for each row, and exact divisors and noise types a cell
    // can hold; every placement on a pattern of its own channel; valid instruments of
    // numbers of their own, and only those named by cells. Refused with the first
    // promise broken. Notes, attenuations and noise rates hold any byte (files carry them).
    Status Validate() const;

    // The pattern's binary block, as put on the clipboard.
    static std::string CopyPatternToGlobal(const CSoundPattern* pPattern);
    // The pattern of a block, refused (with the reason) when the block is not exactly one
    // valid pattern: data may come from any program, and one that is cut short or runs on is
    // not a block we wrote.
    static Result<std::unique_ptr<CSoundPattern>> PatternFromGlobal(const std::string& block);

    // The MIDI file of the range with a General MIDI program (0-127) per tone voice; refused,
    // with nothing built, when it would be larger than kMaxMidiBytes.
    Result<std::string> BuildMIDIFile(const std::array<int, 3>& programs,
                                      const PlayRange& range) const;
    static constexpr std::size_t kMaxMidiBytes = std::size_t{64} << 20;
    static constexpr const char* kMidiTooLargeText =
        "Error: The MIDI file would be too large! ( more than 64 MiB )";

    // MIDI byte writers (appending to a byte string).
    static void WriteByte(std::string& file, std::int32_t value);
    static void WriteBE16(std::string& file, std::int32_t value);
    static void WriteBE32(std::string& file, std::int32_t value);
    static void WriteVarLen(std::string& file, std::int32_t value);

private:
    void NotifyEdit();
    // Changes pattern id under the guard (edit returns false for no change), then tells the
    // views.
    template <typename Edit> bool EditPattern(PatternId id, Edit edit);
    // Gives the pattern its id and puts it at the end of the channel's list.
    CSoundPattern* AppendPattern(int channel, std::unique_ptr<CSoundPattern> pPattern);
    void ReindexPatterns();
    void LoadXML(CArchive& ar);
    // A cell's instrument the sound lacks goes, with a note per pattern and number.
    void DropUnknownInstruments();
    // The same for one pattern: per number, the first row that named it and how many did.
    std::map<int, std::pair<std::int32_t, int>> ClearUnknownInstruments(CSoundPattern& pattern) const;
    static bool InstrumentsAreValid(const std::vector<CInstrument>& instruments);

    std::int32_t m_nRangeStart = 0;
    std::int32_t m_nRangeEnd = 16;
    std::int32_t m_nStepSize = 16;
    std::int32_t m_nBeatsPerMinute = 125;
    std::int32_t m_nTracksPerBeat = 4;
    std::array<std::int32_t, kChannelCount> m_nNextPattern{};
    std::array<PatternList, kChannelCount> m_patterns;
    std::array<Sequence, kChannelCount> m_sequence;
    std::vector<CInstrument> m_instruments;
    std::vector<std::string> m_loadNotes;
    CPatternIndex m_index; // the patterns of m_patterns
    mutable std::recursive_mutex m_guard;
    PatternId m_nLastPatternId = 0;
};
