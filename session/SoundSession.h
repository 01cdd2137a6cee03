// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/LiveRecorder.h"
#include "session/SoundServices.h"
#include "session/SoundUndo.h"
#include "sound/InterpreterFade.h"
#include "sound/SoundDoc.h"

#include <QObject>
#include <QUuid>

#include <cstdint>
#include <optional>
#include <string>

// The game folder and sound number a document came from or last went into: the ones Save into
// Game offers first.
struct GameOrigin
{
    std::string folder;
    int sound = -1;
    bool IsSet() const { return sound >= 0 && !folder.empty(); }
    bool operator==(const GameOrigin&) const = default;
};

// The editing of one open document: what its editors show of it (the cursors, the current
// pattern, the transport), its undo history, its game origin and the services its editors
// use. One per open document, made and owned on the editor's thread by whoever opened it,
// and only used there; it must outlive the document's editors and end before the document
// does.
class CSoundSession : public QObject
{
    Q_OBJECT

public:
    explicit CSoundSession(CSoundDoc* pDoc, SoundViewServices services = {});
    ~CSoundSession() override;

    CSoundDoc* GetDocument() const { return m_pDoc; }
    CSoundUndo& Undo() { return m_undo; }
    const CSoundUndo& Undo() const { return m_undo; }
    const SoundViewServices& Services() const { return m_services; }
    // Names this open document among all others, of any running program, for as long as it
    // is open.
    const QUuid& GetIdentity() const { return m_identity; }
    void SetServices(const SoundViewServices& services) { m_services = services; }

    // The pattern the pattern editor shows; null for none, or once it has left the document.
    CSoundPattern* GetCurrentPattern() const;
    void SetCurrentPattern(const CSoundPattern* pPattern);
    const PatternCursor& GetPatternCursor() const { return m_patternCursor; }
    void SetPatternCursor(const PatternCursor& cursor) { m_patternCursor = cursor; }
    const SequencePos& GetSequenceCursor() const { return m_sequenceCursor; }
    void SetSequenceCursor(const SequencePos& cursor) { m_sequenceCursor = cursor; }
    // Whether typing a note also sounds it.
    bool GetPlayNotes() const { return m_bPlayNotes; }
    void SetPlayNotes(bool bPlay) { m_bPlayNotes = bPlay; }
    // The instrument new notes get (0 for none). One the sound no longer holds reads as none.
    int GetCurrentInstrument() const;
    void SetCurrentInstrument(int number);

    // The transport as the editors show it. The row is where the play marker stands: the
    // row heard while playing, where a paused playback resumes.
    std::int32_t GetPlayRow() const { return m_nPlayRow; }
    void SetPlayRow(std::int32_t row) { m_nPlayRow = row; }
    bool IsPlaying() const { return m_bPlaying; }
    bool IsPaused() const { return m_bPaused; }
    // The row a Play starts from: the range start, or where a pause left off (kept inside the
    // play range, which may have changed meanwhile).
    std::int32_t GetResumeRow() const;
    void OnPlayStarted(std::int32_t row);
    void OnPaused();
    void OnStopped();
    // The play thread has reported the row now heard; the editors move their markers.
    // heardAt: when it began to sound, in seconds of the output's clock, where the report says.
    void OnRowPlayed(std::int32_t row, std::optional<double> heardAt = std::nullopt);
    // When the row last reported began to sound, where its report said.
    std::optional<double> GetPlayRowHeardAt() const { return m_playRowHeardAt; }

    // The live recording of the notes played into its playback.
    CLiveRecorder& Recorder() { return m_recorder; }
    const CLiveRecorder& Recorder() const { return m_recorder; }

    const GameOrigin& GetGameOrigin() const { return m_gameOrigin; }
    void SetGameOrigin(const GameOrigin& origin) { m_gameOrigin = origin; }

    // The fade of the interpreter this document's sound is played by (a game folder's, say),
    // in force for it instead of the one the settings name. Nothing when it has none.
    void SetInterpreterFade(std::optional<FadeKind> fade) { m_interpreterFade = fade; }
    std::optional<FadeKind> GetInterpreterFade() const { return m_interpreterFade; }

    // The voices left out of what is heard (bit v for voice v). A matter of listening, not of
    // the sound: never saved, never a change to undo.
    unsigned GetMuteMask() const { return m_muteMask; }
    void SetMuteMask(unsigned muteMask);
    void ToggleMute(int voice);
    // Only the voice is heard; when it already is the only one, every voice is heard again.
    void Solo(int voice);

signals:
    void PlayPositionMoved();
    void MuteMaskChanged(unsigned muteMask);
    // Playing, paused or stopped now.
    void TransportChanged();
    void CurrentPatternChanged();
    void CurrentInstrumentChanged(int number);

private:
    CSoundDoc* m_pDoc;
    SoundViewServices m_services;
    CSoundUndo m_undo;
    const QUuid m_identity = QUuid::createUuid();
    PatternId m_currentPattern = 0;
    int m_nCurrentInstrument = 0;
    PatternCursor m_patternCursor;
    SequencePos m_sequenceCursor;
    bool m_bPlayNotes = true;
    std::int32_t m_nPlayRow = 0;
    std::optional<double> m_playRowHeardAt;
    bool m_bPlaying = false;
    bool m_bPaused = false;
    GameOrigin m_gameOrigin;
    std::optional<FadeKind> m_interpreterFade;
    unsigned m_muteMask = 0;
    // Last: it listens to the session's signals.
    CLiveRecorder m_recorder{*this};
};
