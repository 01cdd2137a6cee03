// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Resource and command identifiers. The numbers are the program's own and stay stable: the
// settings and the string table are keyed by them.

using UINT = unsigned int;

// Resources.
constexpr UINT IDR_MAINFRAME = 128;
constexpr UINT IDR_SOUNDTYPE = 129;

// Sound commands.
constexpr UINT ID_SOUND_PLAY = 134;
constexpr UINT ID_SOUND_STOP = 135;
constexpr UINT ID_VIEW_SEQUENCE_EDITOR = 136;
constexpr UINT ID_VIEW_PATTERN_EDITOR = 137;
constexpr UINT ID_SOUND_PLAYNOTES = 140;
constexpr UINT ID_SOUND_PAUSE = 141;
constexpr UINT ID_PATTERN_NEW = 143;
constexpr UINT ID_EDIT_DELETE = 145;
constexpr UINT ID_PATTERN_PROPERTIES = 148;
constexpr UINT ID_FILE_IMPORT = 149;
constexpr UINT ID_EXPORT_AGI = 151;
constexpr UINT ID_SOUND_MANAGEPATTERNS = 158;
constexpr UINT ID_SOUND_INSTRUMENTS = 159;
constexpr UINT ID_SOUND_PROPERTIES = 161;
constexpr UINT ID_EXPORT_MIDI = 165;
constexpr UINT ID_RANGE_START = 174;
constexpr UINT ID_RANGE_END = 175;
constexpr UINT ID_RANGE_WHOLE = 176;
constexpr UINT ID_VIEW_SOUNDBAR = 177;
constexpr UINT ID_EDIT_HISTORY = 190;
constexpr UINT ID_EXPORT_WAV = 240;
// The sound chip choice: one radio item each, in the order of SynthKind.
constexpr UINT ID_CHIP_SINE = 241;
constexpr UINT ID_CHIP_PCJR = 242;
constexpr UINT ID_CHIP_TANDY = 243;
// The sound toolbar's chip combo box; a control, not a command.
constexpr UINT IDC_SOUND_CHIP = 244;
// Game folders.
constexpr UINT ID_FILE_OPEN_GAME = 250;
constexpr UINT ID_FILE_SAVE_INTO_GAME = 251;
// Playback from the editor's cursor, the note keys read by place, the toolbar's octave box.
constexpr UINT ID_SOUND_PLAYFROM = 270;
constexpr UINT ID_NOTEKEYS_POSITION = 271;
constexpr UINT ID_HELP_KEYS = 340;
constexpr UINT IDC_SOUND_OCTAVE = 272;
// The toolbar's edit step box: the rows an entry moves the pattern cursor on.
constexpr UINT IDC_SOUND_EDITSTEP = 273;
// The toolbar's instrument box: the instrument new notes get.
constexpr UINT IDC_SOUND_INSTRUMENT = 742;
// The fourth sound chip, the interpreter's note fade (radio items, in the order of FadeKind)
// and the VGM export.
constexpr UINT ID_CHIP_SPEAKER = 310;
constexpr UINT ID_FADE_NONE = 311;
constexpr UINT ID_FADE_V2 = 312;
constexpr UINT ID_FADE_V3 = 313;
constexpr UINT ID_EXPORT_VGM = 314;
// Muting and soloing the voices of the window's sound: one command each, in voice order.
constexpr UINT ID_MUTE_VOICE0 = 700;
constexpr UINT ID_MUTE_NOISE = 703;
constexpr UINT ID_SOLO_VOICE0 = 704;
constexpr UINT ID_SOLO_NOISE = 707;
constexpr UINT ID_UNMUTE_ALL = 708;
// Live recording into the playing sound, and its rounding to the step size.
constexpr UINT ID_SOUND_RECORD = 740;
constexpr UINT ID_RECORD_TO_STEP = 741;
// File > Import's song formats (the AGI resource is ID_FILE_IMPORT).
constexpr UINT ID_IMPORT_MIDI = 300;
constexpr UINT ID_IMPORT_VGM = 301;
// The same, replacing the active document's song as one undoable step.
constexpr UINT ID_IMPORT_MIDI_INTO = 730;
constexpr UINT ID_IMPORT_VGM_INTO = 731;
// The pattern editors keep the playing row in view.
constexpr UINT ID_VIEW_FOLLOW_PLAYBACK = 350;
// The piano roll: shown, alone in the window, and its zoom in time and in pitch.
constexpr UINT ID_VIEW_PIANO_ROLL = 360;
constexpr UINT ID_VIEW_PIANO_ROLL_ALONE = 361;
constexpr UINT ID_ZOOM_TIME_IN = 362;
constexpr UINT ID_ZOOM_TIME_OUT = 363;
constexpr UINT ID_ZOOM_PITCH_IN = 364;
constexpr UINT ID_ZOOM_PITCH_OUT = 365;
// The MIDI keyboard: the place of the MIDI Input list of ports, and whether its keys keep the
// attenuation rather than take one from their velocity.
constexpr UINT ID_MIDI_INPUT_PORTS = 370;
constexpr UINT ID_MIDI_KEEP_ATTENUATION = 371;

// The sequence editor's context menu and its own commands; its "Set pattern" list follows
// "None".
constexpr UINT IDR_SEQUENCE_MENU = 152;
constexpr UINT ID_PATTERN_EDIT = 153;
constexpr UINT ID_SETPATTERN_NONE = 156;

// Status prompts of the pattern editor's fields.
constexpr UINT IDS_PROMPT_NOTE = 179;
constexpr UINT IDS_PROMPT_OCTAVE = 180;
constexpr UINT IDS_PROMPT_ATTENUATION = 181;
constexpr UINT IDS_PROMPT_NOISEFREQ = 182;
constexpr UINT IDS_PROMPT_NOISETYPE = 183;
constexpr UINT IDS_PROMPT_INSTRUMENT = 743;
// The note keys typed in the sequence editor, once.
constexpr UINT IDS_SEQUENCE_NOTEKEYS = 184;

// Standard strings.
constexpr UINT AFX_IDS_APP_TITLE = 57344;
constexpr UINT AFX_IDS_IDLEMESSAGE = 57345;

// Standard commands.
constexpr UINT ID_FILE_NEW = 57600;
constexpr UINT ID_FILE_OPEN = 57601;
constexpr UINT ID_FILE_CLOSE = 57602;
constexpr UINT ID_FILE_SAVE = 57603;
constexpr UINT ID_FILE_SAVE_AS = 57604;
constexpr UINT ID_FILE_PRINT = 57607;
constexpr UINT ID_FILE_MRU_FILE1 = 57616;
constexpr UINT ID_FILE_MRU_LAST = 57631;
constexpr UINT ID_EDIT_COPY = 57634;
constexpr UINT ID_EDIT_CUT = 57635;
constexpr UINT ID_EDIT_PASTE = 57637;
constexpr UINT ID_EDIT_UNDO = 57643;
constexpr UINT ID_EDIT_REDO = 57644;
constexpr UINT ID_WINDOW_NEW = 57648;
constexpr UINT ID_WINDOW_ARRANGE = 57649;
constexpr UINT ID_WINDOW_CASCADE = 57650;
constexpr UINT ID_WINDOW_TILE_HORZ = 57651;
constexpr UINT ID_APP_ABOUT = 57664;
constexpr UINT ID_APP_EXIT = 57665;
constexpr UINT ID_HELP_FINDER = 57667;
constexpr UINT ID_CONTEXT_HELP = 57669;
constexpr UINT ID_HELP = 57670;
constexpr UINT ID_NEXT_PANE = 57680;
constexpr UINT ID_PREV_PANE = 57681;
constexpr UINT ID_VIEW_TOOLBAR = 59392;
constexpr UINT ID_VIEW_STATUS_BAR = 59393;

// Window menu entries listing the open windows.
constexpr UINT AFX_IDM_FIRST_MDICHILD = 0xFF00;

constexpr int kRecentFileCount = 4;
