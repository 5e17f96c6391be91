#pragma once
// Resource identifiers shared by the resource script and the code.

#define IDD_ABOUT 100
#define IDD_MAIN 102
#define IDD_MEASURE_POPUP 167
#define IDS_ABOUT_ITEM 101
#define IDI_MAIN 128
#define IDC_HIDDEN_BUTTON 1
#define IDR_ACCELERATORS 20000

// The About box's controls: the slash pattern and the two halves of the web address.
#define IDC_ABOUT_PATTERN 60000
#define IDC_ABOUT_LINK1 60001
#define IDC_ABOUT_LINK2 60002
