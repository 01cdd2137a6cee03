// SPDX-License-Identifier: GPL-3.0-or-later
#include "resources/ResourceTables.h"

#include <algorithm>
#include <array>
#include <utility>

namespace
{
// clang-format off
constexpr MenuEntry kMainMenu[] = {
    {0, 0, "&File"},
    {1, ID_FILE_NEW, "&New\tCtrl+N"},
    {1, ID_FILE_OPEN, "&Open…\tCtrl+O"},
    {1, ID_FILE_OPEN_GAME, "Open &Game Folder…"},
    {1, 0, nullptr},
    {1, 0, "Import"},
    {2, ID_FILE_IMPORT, "AGI Resource…"},
    {2, ID_IMPORT_MIDI, "MIDI…"},
    {2, ID_IMPORT_VGM, "VGM…"},
    {1, 0, nullptr},
    {1, ID_FILE_MRU_FILE1, "Recent File"},
    {1, 0, nullptr},
    {1, ID_FILE_CLOSE, "&Close"},
    {1, ID_APP_EXIT, "E&xit"},
    {0, 0, "&View"},
    {1, ID_VIEW_TOOLBAR, "&Toolbar"},
    {1, ID_VIEW_STATUS_BAR, "&Status Bar"},
    {0, 0, "&Help"},
    {1, ID_HELP_FINDER, "&Help Topics\tF1"},
    {1, ID_HELP_KEYS, "&Keyboard Shortcuts"},
    {1, 0, nullptr},
    {1, ID_APP_ABOUT, "&About Tarvok Sound Editor…"},
};

constexpr MenuEntry kSoundMenu[] = {
    {0, 0, "&File"},
    {1, ID_FILE_NEW, "&New\tCtrl+N"},
    {1, ID_FILE_OPEN, "&Open…\tCtrl+O"},
    {1, ID_FILE_OPEN_GAME, "Open &Game Folder…"},
    {1, ID_FILE_CLOSE, "&Close"},
    {1, ID_FILE_SAVE, "&Save\tCtrl+S"},
    {1, ID_FILE_SAVE_AS, "Save &As…"},
    {1, ID_FILE_SAVE_INTO_GAME, "Save into Game…\tCtrl+G"},
    {1, 0, nullptr},
    {1, 0, "Import"},
    {2, ID_FILE_IMPORT, "AGI Resource…"},
    {2, ID_IMPORT_MIDI, "MIDI…"},
    {2, ID_IMPORT_VGM, "VGM…"},
    {2, ID_IMPORT_MIDI_INTO, "MIDI into This Sound…"},
    {2, ID_IMPORT_VGM_INTO, "VGM into This Sound…"},
    {1, 0, "Export"},
    {2, ID_EXPORT_AGI, "AGI Resource…"},
    {2, ID_EXPORT_MIDI, "MIDI…"},
    {2, ID_EXPORT_WAV, "WAV…"},
    {2, ID_EXPORT_VGM, "VGM…"},
    {1, 0, nullptr},
    {1, ID_FILE_MRU_FILE1, "Recent File"},
    {1, 0, nullptr},
    {1, ID_APP_EXIT, "E&xit"},
    {0, 0, "&Edit"},
    {1, ID_EDIT_UNDO, "&Undo\tCtrl+Z"},
    {1, ID_EDIT_REDO, "&Redo\tCtrl+Y"},
    {1, ID_EDIT_HISTORY, "&History..."},
    {1, 0, nullptr},
    {1, ID_EDIT_CUT, "Cu&t\tCtrl+X"},
    {1, ID_EDIT_COPY, "&Copy\tCtrl+C"},
    {1, ID_EDIT_PASTE, "&Paste\tCtrl+V"},
    {1, ID_EDIT_DELETE, "Delete\tDel"},
    {0, 0, "&View"},
    {1, ID_VIEW_SEQUENCE_EDITOR, "Sequence Editor"},
    {1, ID_VIEW_PATTERN_EDITOR, "Pattern Editor"},
    {1, 0, nullptr},
    {1, ID_VIEW_TOOLBAR, "&Toolbar"},
    {1, ID_VIEW_STATUS_BAR, "&Status Bar"},
    {1, ID_VIEW_SOUNDBAR, "Sound Bar"},
    {1, 0, nullptr},
    {1, ID_VIEW_FOLLOW_PLAYBACK, "Follow Playback\tScroll Lock"},
    {1, 0, nullptr},
    {1, ID_VIEW_PIANO_ROLL, "Piano Roll\tF7"},
    {1, ID_VIEW_PIANO_ROLL_ALONE, "Piano Roll Alone"},
    {1, 0, "Zoom"},
    {2, ID_ZOOM_TIME_IN, "Zoom In Time\tCtrl+Wheel"},
    {2, ID_ZOOM_TIME_OUT, "Zoom Out Time"},
    {2, ID_ZOOM_PITCH_IN, "Zoom In Pitch\tCtrl+Shift+Wheel"},
    {2, ID_ZOOM_PITCH_OUT, "Zoom Out Pitch"},
    {0, 0, "Sound &Resource"},
    {1, 0, "Pattern"},
    {2, ID_PATTERN_NEW, "New…"},
    {2, ID_PATTERN_PROPERTIES, "Properties…"},
    {1, ID_SOUND_MANAGEPATTERNS, "Manage patterns…"},
    {1, ID_SOUND_INSTRUMENTS, "Instruments…"},
    {1, 0, nullptr},
    {1, 0, "Play range"},
    {2, ID_RANGE_START, "Set start position\tCtrl+B"},
    {2, ID_RANGE_END, "Set end position\tCtrl+E"},
    {2, ID_RANGE_WHOLE, "Whole Song"},
    {1, 0, nullptr},
    {1, 0, "Control"},
    {2, ID_SOUND_PLAY, "Play\tF3"},
    {2, ID_SOUND_PLAYFROM, "Play from Cursor\tCtrl+F3"},
    {2, ID_SOUND_PAUSE, "Pause\tShift+F3"},
    {2, ID_SOUND_STOP, "Stop\tF4"},
    {2, ID_SOUND_RECORD, "Record\tCtrl+R"},
    {2, ID_RECORD_TO_STEP, "Record to Step Size"},
    {2, 0, nullptr},
    {2, ID_SOUND_PLAYNOTES, "Play Notes"},
    {2, ID_NOTEKEYS_POSITION, "Note Keys by Position"},
    {2, ID_MIDI_KEEP_ATTENUATION, "MIDI Keys Keep Attenuation"},
    {2, 0, "MIDI Input"},
    {3, ID_MIDI_INPUT_PORTS, "No MIDI input available"},
    {2, 0, nullptr},
    {2, 0, "Sound chip"},
    {3, ID_CHIP_SINE, "Sine", true},
    {3, ID_CHIP_PCJR, "IBM PCjr", true},
    {3, ID_CHIP_TANDY, "Tandy 1000", true},
    {3, ID_CHIP_SPEAKER, "PC speaker", true},
    {2, 0, "Interpreter fade"},
    {3, ID_FADE_NONE, "None (up to 2.4)", true},
    {3, ID_FADE_V2, "Version 2.9", true},
    {3, ID_FADE_V3, "Version 3", true},
    {1, 0, "Mute/Solo"},
    {2, ID_MUTE_VOICE0, "Mute Voice0\tCtrl+1"},
    {2, ID_MUTE_VOICE0 + 1, "Mute Voice1\tCtrl+2"},
    {2, ID_MUTE_VOICE0 + 2, "Mute Voice2\tCtrl+3"},
    {2, ID_MUTE_NOISE, "Mute Noise\tCtrl+4"},
    {2, 0, nullptr},
    {2, ID_SOLO_VOICE0, "Solo Voice0\tCtrl+Shift+1"},
    {2, ID_SOLO_VOICE0 + 1, "Solo Voice1\tCtrl+Shift+2"},
    {2, ID_SOLO_VOICE0 + 2, "Solo Voice2\tCtrl+Shift+3"},
    {2, ID_SOLO_NOISE, "Solo Noise\tCtrl+Shift+4"},
    {2, 0, nullptr},
    {2, ID_UNMUTE_ALL, "Hear All Voices"},
    {1, 0, nullptr},
    {1, ID_SOUND_PROPERTIES, "Properties…"},
    {0, 0, "&Window"},
    {1, ID_WINDOW_NEW, "&New Window"},
    {1, ID_WINDOW_CASCADE, "&Cascade"},
    {1, ID_WINDOW_TILE_HORZ, "&Tile"},
    {1, ID_WINDOW_ARRANGE, "&Arrange Icons"},
    {0, 0, "&Help"},
    {1, ID_HELP_FINDER, "&Help Topics\tF1"},
    {1, ID_HELP_KEYS, "&Keyboard Shortcuts"},
    {1, 0, nullptr},
    {1, ID_APP_ABOUT, "&About Tarvok…"},
};

constexpr AccelEntry kMainAccel[] = {
    {"Ctrl+N", ID_FILE_NEW},
    {"Ctrl+O", ID_FILE_OPEN},
    {"Ctrl+S", ID_FILE_SAVE},
    {"Ctrl+G", ID_FILE_SAVE_INTO_GAME},
    {"Ctrl+C", ID_EDIT_COPY},
    {"Ctrl+Ins", ID_EDIT_COPY},
    {"Ctrl+X", ID_EDIT_CUT},
    {"Shift+Del", ID_EDIT_CUT},
    {"Ctrl+V", ID_EDIT_PASTE},
    {"Shift+Ins", ID_EDIT_PASTE},
    {"Ctrl+Z", ID_EDIT_UNDO},
    {"Alt+Backspace", ID_EDIT_UNDO},
    {"Ctrl+Y", ID_EDIT_REDO},
    {"Ctrl+Shift+Z", ID_EDIT_REDO},
    {"F1", ID_HELP},
    {"Shift+F1", ID_CONTEXT_HELP},
    {"F6", ID_NEXT_PANE},
    {"Shift+F6", ID_PREV_PANE},
};

constexpr AccelEntry kSoundAccel[] = {
    {"F3", ID_SOUND_PLAY},
    {"Ctrl+F3", ID_SOUND_PLAYFROM},
    {"Shift+F3", ID_SOUND_PAUSE},
    {"F4", ID_SOUND_STOP},
    {"Ctrl+R", ID_SOUND_RECORD},
    {"ScrollLock", ID_VIEW_FOLLOW_PLAYBACK},
    {"F7", ID_VIEW_PIANO_ROLL},
    {"Ctrl+B", ID_RANGE_START},
    {"Ctrl+E", ID_RANGE_END},
    {"Del", ID_EDIT_DELETE},
    {"Ctrl+1", ID_MUTE_VOICE0},
    {"Ctrl+2", ID_MUTE_VOICE0 + 1},
    {"Ctrl+3", ID_MUTE_VOICE0 + 2},
    {"Ctrl+4", ID_MUTE_NOISE},
    {"Ctrl+Shift+1", ID_SOLO_VOICE0},
    {"Ctrl+Shift+2", ID_SOLO_VOICE0 + 1},
    {"Ctrl+Shift+3", ID_SOLO_VOICE0 + 2},
    {"Ctrl+Shift+4", ID_SOLO_NOISE},
};

constexpr UINT kMainToolbarButtons[] = {
    ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0,
    ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, 0,
    ID_FILE_PRINT, ID_APP_ABOUT, ID_CONTEXT_HELP,
};

constexpr UINT kSoundToolbarButtons[] = {
    ID_SOUND_PLAY, ID_SOUND_PAUSE, ID_SOUND_STOP, 0,
    ID_VIEW_SEQUENCE_EDITOR, ID_VIEW_PATTERN_EDITOR, ID_SOUND_INSTRUMENTS, 0,
    IDC_SOUND_CHIP, IDC_SOUND_OCTAVE, IDC_SOUND_EDITSTEP, IDC_SOUND_INSTRUMENT,
};

const ToolbarResource kToolbars[] = {
    {IDR_MAINFRAME, "ToolBar", kMainToolbarButtons},
    {IDR_SOUNDTYPE, "SoundBar", kSoundToolbarButtons},
};

constexpr std::pair<UINT, const char*> kStringTable[] = {
    {IDR_MAINFRAME, "Tarvok"},
    {IDR_SOUNDTYPE, "\nSound\nSound Resource\nTarvok Sound Files (*.tks)\n.tks\nTarvokSoundResource\nTarvok Sound Resource"},
    {ID_SOUND_PLAY, "Plays the song\nPlay"},
    {ID_SOUND_STOP, "Stops playing\nStop"},
    {ID_SOUND_RECORD, "Records the notes played into the song as it plays; Stop ends the take\nRecord"},
    {ID_RECORD_TO_STEP, "Rounds a recorded note's start and end to the step size rather than to the nearest row"},
    {ID_VIEW_SEQUENCE_EDITOR, "Switch to the sequence editor\nSequence Editor"},
    {ID_VIEW_PATTERN_EDITOR, "Edit the pattern under the sequence cursor\nPattern Editor"},
    {ID_SOUND_PLAYNOTES, "Determines if notes are played during editing"},
    {ID_SOUND_PAUSE, "Pauses the play\nPause"},
    {ID_PATTERN_NEW, "Create a new pattern"},
    {ID_EDIT_DELETE, "Delete the selection\nDelete"},
    {ID_PATTERN_PROPERTIES, "Change the name and length of the current pattern"},
    {ID_FILE_IMPORT, "Imports a resource as a new document"},
    {ID_IMPORT_MIDI, "Imports a MIDI file as a new document, its channels placed on the voices"},
    {ID_IMPORT_VGM, "Imports a VGM log of the sound chip as a new document"},
    {ID_IMPORT_MIDI_INTO, "Replaces this sound's song with a MIDI file's; Undo brings it back"},
    {ID_IMPORT_VGM_INTO, "Replaces this sound's song with a VGM log's; Undo brings it back"},
    {ID_EXPORT_AGI, "Exports the current resource to AGI format"},
    {ID_SOUND_MANAGEPATTERNS, "Create, copy and delete patterns"},
    {ID_SOUND_INSTRUMENTS, "Make and change the instruments that shape this sound's notes\nInstruments"},
    {ID_SOUND_PROPERTIES, "Change properties of the resource"},
    {ID_EXPORT_MIDI, "Exports the current resource to MIDI format"},
    {ID_EXPORT_WAV, "Exports one pass of the play range as a WAV file"},
    {ID_FILE_OPEN_GAME, "Lists the sounds of a game's folder and opens one\nOpen Game Folder"},
    {ID_FILE_SAVE_INTO_GAME, "Writes the whole song into a game as the sound number you choose\nSave into Game"},
    {ID_CHIP_SINE, "Plays with sine waves\nSine"},
    {ID_CHIP_PCJR, "Plays as the IBM PCjr's sound chip does\nIBM PCjr"},
    {ID_CHIP_TANDY, "Plays as the Tandy 1000's sound chip does\nTandy 1000"},
    {ID_CHIP_SPEAKER,
     "PC speaker: what most 1980s PCs played — only voice 0\nPC speaker"},
    {ID_FADE_NONE, "Holds every note at its level, as interpreters up to 2.4 do\nNo fade"},
    {ID_FADE_V2, "Fades tone notes as interpreters 2.903 to 2.936 do\nFade of 2.9"},
    {ID_FADE_V3, "Fades tone notes as interpreters 3.002 do\nFade of 3"},
    {ID_EXPORT_VGM, "Exports the play range as a VGM file for chip-music players"},
    {IDC_SOUND_CHIP, "The sound chip that plays, previews and exports\nSound chip"},
    {ID_SOUND_PLAYFROM, "Plays from the cursor, every channel as if played from the range start\nPlay from Cursor"},
    {ID_VIEW_FOLLOW_PLAYBACK, "Scrolls the pattern editor to the playing row\nFollow Playback"},
    {ID_VIEW_PIANO_ROLL, "Show or hide the piano roll\nPiano Roll"},
    {ID_VIEW_PIANO_ROLL_ALONE, "Let the piano roll fill the window alone\nPiano Roll Alone"},
    {ID_ZOOM_TIME_IN, "Show fewer rows, each wider\nZoom In Time"},
    {ID_ZOOM_TIME_OUT, "Show more rows, each narrower\nZoom Out Time"},
    {ID_ZOOM_PITCH_IN, "Show fewer pitches, each taller\nZoom In Pitch"},
    {ID_ZOOM_PITCH_OUT, "Show more pitches, each lower\nZoom Out Pitch"},
    {ID_NOTEKEYS_POSITION, "Takes the note keys by their place on the keyboard, not by their letters"},
    {ID_MIDI_KEEP_ATTENUATION, "A MIDI key writes its note with the attenuation the cell has, not one from how hard it was struck"},
    {IDC_SOUND_OCTAVE, "The octave the note keys write (Ctrl+Page Up/Down, keypad * and /)\nOctave"},
    {IDC_SOUND_EDITSTEP, "Rows the cursor moves on after a note, an off or an attenuation (0 stays)\nEdit step"},
    {IDC_SOUND_INSTRUMENT, "The instrument the notes you type or draw get\nInstrument"},
    {ID_MUTE_VOICE0, "Silences Voice0 or lets it be heard again (also a click on its scope)"},
    {ID_MUTE_VOICE0 + 1, "Silences Voice1 or lets it be heard again (also a click on its scope)"},
    {ID_MUTE_VOICE0 + 2, "Silences Voice2 or lets it be heard again (also a click on its scope)"},
    {ID_MUTE_NOISE, "Silences the noise or lets it be heard again (also a click on its scope)"},
    {ID_SOLO_VOICE0, "Hears Voice0 alone; again, every voice (also Ctrl+click on its scope)"},
    {ID_SOLO_VOICE0 + 1, "Hears Voice1 alone; again, every voice (also Ctrl+click on its scope)"},
    {ID_SOLO_VOICE0 + 2, "Hears Voice2 alone; again, every voice (also Ctrl+click on its scope)"},
    {ID_SOLO_NOISE, "Hears the noise alone; again, every voice (also Ctrl+click on its scope)"},
    {ID_UNMUTE_ALL, "Lets every voice be heard"},
    {ID_RANGE_START, "Start the play range at the cursor"},
    {ID_RANGE_END, "End the play range after the step at the cursor"},
    {ID_RANGE_WHOLE, "Make the play range the whole song again"},
    {ID_VIEW_SOUNDBAR, "Show or hide the sound toolbar"},
    {IDS_PROMPT_NOTE, "Insert a note (range C-0 to A-9)"},
    {IDS_PROMPT_OCTAVE, "Change octave (range 0-9)"},
    {IDS_PROMPT_ATTENUATION, "Change attenuation (0=loud to 15=silent)"},
    {IDS_PROMPT_NOISEFREQ, "Set noise frequency type (0-3)"},
    {IDS_PROMPT_NOISETYPE, "Set noise type (0=periodic, 1=whitenoise)"},
    {IDS_PROMPT_INSTRUMENT, "Set the instrument (two digits, 01-99; Delete clears it)"},
    {IDS_SEQUENCE_NOTEKEYS, "Here letters and digits place the channel's patterns; type notes in the pattern editor (Enter opens the pattern at the cursor)"},
    {AFX_IDS_APP_TITLE, "Tarvok"},
    {AFX_IDS_IDLEMESSAGE, "For Help, press F1"},
    {ID_FILE_NEW, "Create a new document\nNew"},
    {ID_FILE_OPEN, "Open an existing document\nOpen"},
    {ID_FILE_CLOSE, "Close the active document\nClose"},
    {ID_FILE_SAVE, "Save the active document\nSave"},
    {ID_FILE_SAVE_AS, "Save the active document with a new name\nSave As"},
    {ID_FILE_PRINT, "Print the active document\nPrint"},
    {ID_EDIT_COPY, "Copy the selection and put it on the Clipboard\nCopy"},
    {ID_EDIT_CUT, "Cut the selection and put it on the Clipboard\nCut"},
    {ID_EDIT_PASTE, "Insert Clipboard contents\nPaste"},
    {ID_EDIT_UNDO, "Undo the last action\nUndo"},
    {ID_EDIT_REDO, "Redo the last undone action\nRedo"},
    {ID_EDIT_HISTORY, "List the changes that can be undone and redone\nHistory"},
    {ID_WINDOW_NEW, "Open another window for the active document\nNew Window"},
    {ID_WINDOW_ARRANGE, "Arrange icons at the bottom of the window\nArrange Icons"},
    {ID_WINDOW_CASCADE, "Arrange windows so they overlap\nCascade Windows"},
    {ID_WINDOW_TILE_HORZ, "Arrange windows as non-overlapping tiles\nTile Windows"},
    {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
    {ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
    {ID_HELP_FINDER, "List Help topics\nHelp Topics"},
    {ID_HELP_KEYS, "List every key of the editors\nKeyboard Shortcuts"},
    {ID_CONTEXT_HELP, "Display help for clicked on buttons, menus and windows\nHelp"},
    {ID_HELP, "Display help for current task or command\nHelp"},
    {ID_NEXT_PANE, "Switch to the next window pane\nNext Pane"},
    {ID_PREV_PANE, "Switch back to the previous window pane\nPrevious Pane"},
    {ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle ToolBar"},
    {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar"},
    {AFX_IDM_FIRST_MDICHILD, "Activate this window"},
};
// clang-format on

// The sequence editor's context menu: its first popup is shown.
constexpr MenuEntry kSequenceMenu[] = {
    {0, 0, "Sequence"},
    {1, ID_PATTERN_EDIT, "Edit"},
    {1, 0, nullptr},
    {1, ID_EDIT_UNDO, "Undo"},
    {1, ID_EDIT_REDO, "Redo"},
    {1, 0, nullptr},
    {1, ID_EDIT_CUT, "Cut"},
    {1, ID_EDIT_COPY, "Copy"},
    {1, ID_EDIT_PASTE, "Paste"},
    {1, ID_EDIT_DELETE, "Delete"},
    {1, 0, nullptr},
    {1, ID_PATTERN_NEW, "New pattern…"},
    {1, 0, "Set pattern"},
    {2, ID_SETPATTERN_NONE, "None"},
    {1, 0, nullptr},
    {1, 0, "Play range"},
    {2, ID_RANGE_START, "Set start position"},
    {2, ID_RANGE_END, "Set end position"},
    {2, ID_RANGE_WHOLE, "Whole Song"},
    {1, 0, nullptr},
    {1, ID_PATTERN_PROPERTIES, "Properties…"},
};

constexpr const char* kRecentFilePrompt = "Open this document";
} // namespace

const char* const g_pszAboutTitle = "About Tarvok";
const char* const g_pszAboutVersionLine = "Tarvok BETA version";

std::span<const MenuEntry> GetMenuResource(UINT nID)
{
    switch (nID)
    {
    case IDR_MAINFRAME:
        return kMainMenu;
    case IDR_SOUNDTYPE:
        return kSoundMenu;
    case IDR_SEQUENCE_MENU:
        return kSequenceMenu;
    default:
        return {};
    }
}

std::span<const AccelEntry> GetAcceleratorResource(UINT nID)
{
    switch (nID)
    {
    case IDR_MAINFRAME:
        return kMainAccel;
    case IDR_SOUNDTYPE:
        return kSoundAccel;
    default:
        return {};
    }
}

const ToolbarResource* GetToolbarResource(UINT nID)
{
    for (const ToolbarResource& toolbar : kToolbars)
        if (toolbar.nID == nID)
            return &toolbar;
    return nullptr;
}

std::string LoadResourceString(UINT nID)
{
    if (nID >= ID_FILE_MRU_FILE1 && nID <= ID_FILE_MRU_LAST)
        return kRecentFilePrompt;
    if (nID > AFX_IDM_FIRST_MDICHILD && nID < AFX_IDM_FIRST_MDICHILD + 0x100)
        nID = AFX_IDM_FIRST_MDICHILD;
    const auto* it = std::find_if(std::begin(kStringTable), std::end(kStringTable),
                                  [nID](const auto& entry) { return entry.first == nID; });
    return it != std::end(kStringTable) ? it->second : std::string();
}

std::string GetPromptText(UINT nID)
{
    const std::string text = LoadResourceString(nID);
    return text.substr(0, text.find('\n'));
}

std::string GetTooltipText(UINT nID)
{
    const std::string text = LoadResourceString(nID);
    const auto pos = text.find('\n');
    return pos == std::string::npos ? std::string() : text.substr(pos + 1);
}
