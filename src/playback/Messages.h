#pragma once
// Window messages of the step engine and of the exchange between running copies. The engine
// posts SEQM_STEP_PLAYED and SEQM_MEASURE_MARK to its own main window; the others are broadcast
// to every window whose caption begins with the program's caption, this copy's own included.
#include <cstdint>

constexpr unsigned SEQM_GROUP_QUERY = 1036; // wParam ignored, lParam group: owners of a peer answer
constexpr unsigned SEQM_STEP_PLAYED = 1074; // 0, 0: a step was played; move the highlight
// SEQM_START: start unless already playing. wParam names the machine-wide clock (see
// SharedReading) and lParam is the sender's reading of its step 0 there, so all copies play on one
// time line; wParam 0 (an older copy, or a clock no other copy can read) means "start now".
constexpr unsigned SEQM_START = 1124;
constexpr unsigned SEQM_STOP = 1224;         // 0, 0: stop if playing
constexpr unsigned SEQM_GROUP_CLAIM = 1324;  // wParam peer value, lParam group
constexpr unsigned SEQM_GROUP_COUNT = 1424;  // wParam member count (16 bits), lParam group
constexpr unsigned SEQM_MEASURE_MARK = 1524; // wParam measure; lParam -1 clears the playing mark

// lParam of SEQM_MEASURE_MARK that clears the playing mark.
constexpr intptr_t kClearMeasureMark = -1;
