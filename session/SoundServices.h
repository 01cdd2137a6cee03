// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

class CInstrument;
class CSoundDoc;
class CSoundSession;
class QWidget;

// Services of the application around the editors: the status bar's idle prompt and the
// sound toolbar.
class ISoundViewHost
{
public:
    virtual ~ISoundViewHost() = default;
    virtual void SetIdleMessage(unsigned nStringId) = 0;
    virtual void ShowToolbar(unsigned nToolbarId, bool bShow) = 0;
    virtual bool IsToolbarVisible(unsigned nToolbarId) const = 0;
    // A text of the moment in place of the idle prompt, until the next SetIdleMessage.
    virtual void SetIdleText(const std::string& /*text*/) {}
};

// The play thread as the editors and dialogs see it: posted requests only. Row reports of a
// playback go to pReportTo (none when null), on the user-interface thread.
class ISoundTransport
{
public:
    virtual ~ISoundTransport() = default;
    virtual void PostPlay(CSoundDoc* pDoc, CSoundSession* pReportTo, int nStartRow) = 0;
    // Plays from nStartRow with every channel carried in from the play range start.
    virtual void PostPlayFrom(CSoundDoc* pDoc, CSoundSession* pReportTo, int nStartRow)
    {
        PostPlay(pDoc, pReportTo, nStartRow);
    }
    // Stops whatever plays; returns once it no longer sounds, the session of the playback
    // stopped told the row it was heard at.
    virtual void PostStop() = 0;
    // Before pDoc closes: returns once nothing of it plays any more.
    virtual void StopDocument(CSoundDoc* /*pDoc*/) { PostStop(); }
    // nVoice: the channel the note belongs to, silent while it is muted (-1 for none).
    virtual void PostPreview(CSoundDoc* pDoc, int nNote, int nVoice) = 0;
    // The note shaped by the instrument; the play thread gets a copy. nVoice 3 plays it on the
    // noise channel.
    virtual void PostPreview(CSoundDoc* pDoc, int nNote, int nVoice,
                             const CInstrument& instrument) = 0;
};

// The modal dialogs the editors run. Each returns true on OK with the fields updated.
class ISoundDialogs
{
public:
    virtual ~ISoundDialogs() = default;
    virtual bool PatternDialog(QWidget* pParent, const std::string& title, int& nRows,
                               std::string& name) = 0;
    // nPlayRangeRows: the play range's rows, whose length in the game the dialog shows.
    virtual bool PropertiesDialog(QWidget* pParent, int& nBeatsPerMinute, int& nStepSize,
                                  int& nTracksPerBeat, std::int64_t nPlayRangeRows) = 0;
    virtual void ManagePatternsDialog(QWidget* pParent, CSoundSession& session) = 0;
};

// What the application lends the editors of a document; any of them may be missing (the
// calls then do nothing).
struct SoundViewServices
{
    ISoundViewHost* pHost = nullptr;
    ISoundTransport* pTransport = nullptr;
    ISoundDialogs* pDialogs = nullptr;
};
