// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "resources/Resource.h"

#include <span>

// The dialog templates of the sound editor, their control identifiers and their texts, as data.
// Positions and sizes are in dialog units: a quarter of the dialog font's average character
// width across, an eighth of its height down.

constexpr UINT IDD_SOUND_PATTERN = 157;
constexpr UINT IDD_SOUND_PROPERTIES = 159;
constexpr UINT IDD_SOUND_MIDIEXPORT = 166;
constexpr UINT IDD_SOUND_MANAGE = 173;

// The OK and Cancel buttons.
constexpr UINT IDOK = 1;
constexpr UINT IDCANCEL = 2;

// Pattern dialog.
constexpr UINT IDC_PATTERN_NAME = 1000;
constexpr UINT IDC_PATTERN_ROWS = 1001;
constexpr UINT IDC_PATTERN_ROWS_SPIN = 1002;

// Resource properties dialog.
constexpr UINT IDC_TRACKSPERBEAT = 1009;
constexpr UINT IDC_BEATSPERMINUTE = 1010;
constexpr UINT IDC_STEPSIZE = 1011;
constexpr UINT IDC_TRACKSPERBEAT_SPIN = 1012;
constexpr UINT IDC_BEATSPERMINUTE_SPIN = 1013;
constexpr UINT IDC_STEPSIZE_SPIN = 1014;

// MIDI Export dialog: one instrument list per tone voice.
constexpr UINT IDC_INSTRUMENT0 = 1005;
constexpr UINT IDC_INSTRUMENT1 = 1006;
constexpr UINT IDC_INSTRUMENT2 = 1007;

// Manage Patterns dialog.
constexpr UINT IDC_MANAGE_TRANSPOSE_AMOUNT = 1011;
constexpr UINT IDC_MANAGE_ROWS_SPIN = 1012;
constexpr UINT IDC_MANAGE_LIST = 1015;
constexpr UINT IDC_MANAGE_CHANNEL = 1017;
constexpr UINT IDC_MANAGE_NEW = 1018;
constexpr UINT IDC_MANAGE_COPY = 1019;
constexpr UINT IDC_MANAGE_TRANSPOSE = 1020;
constexpr UINT IDC_MANAGE_NAME = 1021;
constexpr UINT IDC_MANAGE_ROWS = 1022;
constexpr UINT IDC_MANAGE_DELETE = 1023;
constexpr UINT IDC_MANAGE_CHANGE = 1024;
constexpr UINT IDC_MANAGE_SEMITONES = 1025;
constexpr UINT IDC_MANAGE_OCTAVES = 1026;
constexpr UINT IDC_MANAGE_HARMONIZE = 1027;

enum class DialogItemKind
{
    PushButton,
    DefPushButton,
    GroupBox,
    Static,
    Edit,
    UpDown, // attached to the edit before it
    DropDownList,
    ListView,
    RadioButton,
};

// One control of a template. Static texts without a size take their text's size; a drop-down
// list's height is that of its dropped-down list.
struct DialogItem
{
    UINT nID; // 0 for controls nobody refers to
    DialogItemKind kind;
    const char* pszText;
    int x, y, cx, cy;
    bool bDisabled = false;
};

struct DialogTemplate
{
    UINT nID;
    const char* pszTitle;
    int cx, cy;
    std::span<const DialogItem> items;
};

// The template, or null when there is none with that identifier.
const DialogTemplate* GetDialogTemplate(UINT nID);

// General MIDI instrument names in program order: the index is the program number.

// Messages of the dialogs.
extern const char* const g_pszMsgCouldNotCreatePattern;
extern const char* const g_pszMsgDeletePattern;
// Refusals of a field's contents; %1 and %2 stand for the limits.
extern const char* const g_pszMsgEnterInteger;
extern const char* const g_pszMsgIntegerRange;
extern const char* const g_pszMsgMaxChars;
