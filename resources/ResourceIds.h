#pragma once
// Resource identifiers shared by the resource script and the code.

#define IDD_MAIN 102
#define IDD_MEASURE_POPUP 167
#define IDS_ABOUT_ITEM 101
#define IDI_MAIN 128
#define IDC_HIDDEN_BUTTON 1
#define IDR_ACCELERATORS 20000
#define IDC_SAVE_PROMPT_TEXT 200
#define IDC_DONT_SAVE 201
