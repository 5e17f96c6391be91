#pragma once
// Resource identifiers shared by the resource script and the code.

#define IDD_ABOUT 100
#define IDD_MAIN 102
#define IDD_MEASURE_POPUP 167
#define IDS_ABOUT_ITEM 101
#define IDI_MAIN 128
#define IDC_HIDDEN_BUTTON 1
#define IDR_ACCELERATORS 20000
#define IDC_SAVE_PROMPT_TEXT 200
#define IDC_DONT_SAVE 201

// Menus of the toolbar's three buttons.
#define IDM_FILE 161
#define IDM_EDIT 162
#define IDM_MIDI 163

// Commands, from the menus and the keyboard shortcuts.
#define IDC_CMD_OPEN 21001
#define IDC_CMD_SAVE 21002
#define IDC_CMD_SAVE_AS 21003
#define IDC_CMD_EXIT 21004
#define IDC_CMD_EXPORT_WAV 21005
#define IDC_CMD_EXPORT_MIDI 21006
#define IDC_CMD_UNDO 22001
#define IDC_CMD_COPY 22002
#define IDC_CMD_PASTE 22003
#define IDC_CMD_SHIFT_LEFT 22004
#define IDC_CMD_SHIFT_RIGHT 22005
#define IDC_CMD_SAMPLES_PER_MEASURE 23003
#define IDC_CMD_BEATS_PER_MINUTE 23004
#define IDC_CMD_RANDOMIZE 23005
#define IDC_CMD_NOTHING 23006
#define IDC_CMD_OPTION_FLAG 23007
#define IDC_CMD_MUTE 23008
#define IDC_CMD_HIGH_RES_TIMER 32771
#define IDC_CMD_ABOUT 32772
#define IDC_CMD_CHANGE_COLOR 32775
#define IDC_CMD_SOUND_CARD 32780

// The About box's controls: the slash pattern and the two halves of the web address.
#define IDC_ABOUT_PATTERN 60000
#define IDC_ABOUT_LINK1 60001
#define IDC_ABOUT_LINK2 60002
