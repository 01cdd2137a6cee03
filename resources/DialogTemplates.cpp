// SPDX-License-Identifier: GPL-3.0-or-later
#include "resources/DialogTemplates.h"

namespace
{
using K = DialogItemKind;

constexpr DialogItem kPatternItems[] = {
    {IDOK, K::DefPushButton, "OK", 101, 7, 50, 14},
    {IDCANCEL, K::PushButton, "Cancel", 101, 24, 50, 14},
    {0, K::Static, "Name", 12, 7, 0, 0},
    {IDC_PATTERN_NAME, K::Edit, "", 31, 7, 57, 14},
    {0, K::Static, "Rows", 13, 24, 0, 0},
    {IDC_PATTERN_ROWS, K::Edit, "", 31, 24, 40, 14},
    {IDC_PATTERN_ROWS_SPIN, K::UpDown, "", 69, 24, 10, 14},
};

constexpr DialogItem kPropertiesItems[] = {
    {IDOK, K::DefPushButton, "OK", 158, 7, 50, 14},
    {IDCANCEL, K::PushButton, "Cancel", 158, 25, 50, 14},
    {0, K::GroupBox, "Tempo", 7, 7, 143, 50},
    {0, K::Static, "Tracks Per Beat", 17, 19, 0, 0},
    {IDC_TRACKSPERBEAT, K::Edit, "", 81, 17, 48, 14},
    {IDC_TRACKSPERBEAT_SPIN, K::UpDown, "", 129, 17, 13, 14},
    {0, K::Static, "Beats Per Minute", 17, 38, 0, 0},
    {IDC_BEATSPERMINUTE, K::Edit, "", 81, 35, 48, 14},
    {IDC_BEATSPERMINUTE_SPIN, K::UpDown, "", 129, 35, 13, 14},
    {0, K::GroupBox, "Editing", 7, 62, 143, 32},
    {0, K::Static, "Step Size", 17, 74, 0, 0},
    {IDC_STEPSIZE, K::Edit, "", 59, 72, 48, 14},
    {IDC_STEPSIZE_SPIN, K::UpDown, "", 106, 72, 13, 14},
};

constexpr DialogItem kMidiExportItems[] = {
    {IDOK, K::DefPushButton, "OK", 167, 7, 50, 14},
    {IDCANCEL, K::PushButton, "Cancel", 167, 24, 50, 14},
    {0, K::GroupBox, "Settings", 7, 7, 148, 82},
    {0, K::Static, "Voice 0", 15, 25, 0, 0},
    {IDC_INSTRUMENT0, K::DropDownList, "", 48, 22, 96, 80},
    {0, K::Static, "Voice 1", 15, 45, 0, 0},
    {IDC_INSTRUMENT1, K::DropDownList, "", 48, 43, 96, 80},
    {0, K::Static, "Voice 2", 15, 65, 0, 0},
    {IDC_INSTRUMENT2, K::DropDownList, "", 48, 65, 96, 80},
};

constexpr DialogItem kManageItems[] = {
    {IDC_MANAGE_CHANNEL, K::DropDownList, "", 7, 7, 67, 60},
    {IDC_MANAGE_LIST, K::ListView, "", 7, 20, 67, 119},
    {IDC_MANAGE_NEW, K::PushButton, "New", 93, 7, 50, 14},
    {IDC_MANAGE_COPY, K::PushButton, "Create copy", 151, 7, 50, 14},
    {IDC_MANAGE_DELETE, K::PushButton, "Delete", 211, 7, 50, 14},
    {0, K::GroupBox, "Pattern", 81, 30, 193, 110},
    {0, K::Static, "Name", 93, 46, 0, 0},
    {IDC_MANAGE_NAME, K::Edit, "", 121, 43, 102, 14},
    {0, K::Static, "Rows", 93, 65, 0, 0},
    {IDC_MANAGE_ROWS, K::Edit, "", 121, 61, 40, 14},
    {IDC_MANAGE_ROWS_SPIN, K::UpDown, "", 159, 61, 13, 14},
    {IDC_MANAGE_CHANGE, K::PushButton, "Change", 171, 61, 50, 14, true},
    {IDC_MANAGE_TRANSPOSE, K::PushButton, "Transpose", 93, 88, 50, 14, true},
    {IDC_MANAGE_TRANSPOSE_AMOUNT, K::Edit, "", 155, 88, 40, 14, true},
    {IDC_MANAGE_SEMITONES, K::RadioButton, "Semitones", 209, 88, 49, 10, true},
    {IDC_MANAGE_OCTAVES, K::RadioButton, "Octaves", 209, 101, 43, 10, true},
    {IDC_MANAGE_HARMONIZE, K::PushButton, "Harmonize", 93, 115, 50, 14, true},
    {IDOK, K::DefPushButton, "Close", 224, 147, 50, 14},
};

constexpr DialogTemplate kTemplates[] = {
    {IDD_SOUND_PATTERN, "Pattern Dialog", 158, 46, kPatternItems},
    {IDD_SOUND_PROPERTIES, "Resource properties", 215, 102, kPropertiesItems},
    {IDD_SOUND_MIDIEXPORT, "MIDI Export", 224, 96, kMidiExportItems},
    {IDD_SOUND_MANAGE, "Manage Patterns", 281, 168, kManageItems},
};
} // namespace

const DialogTemplate* GetDialogTemplate(UINT nID)
{
    for (const DialogTemplate& dialog : kTemplates)
        if (dialog.nID == nID)
            return &dialog;
    return nullptr;
}


const char* const g_pszMsgCouldNotCreatePattern = "Could not create a new pattern!";
const char* const g_pszMsgDeletePattern = "Are you sure you want to delete this pattern?";
const char* const g_pszMsgEnterInteger = "Please enter an integer.";
const char* const g_pszMsgIntegerRange = "Please enter an integer between %1 and %2.";
const char* const g_pszMsgMaxChars = "Please enter no more than %1 characters.";
