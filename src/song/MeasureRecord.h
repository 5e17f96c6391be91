#pragma once
// The measure clipboard's block: sixteen step records of 12 bytes, step 0 first, each six
// little-endian int16 in the order on, note, value30, value40, value50, length. The measure's link
// and repeat count are not carried.
#include <array>
#include <cstddef>
#include <cstdint>

#include "song/Step.h"

inline constexpr size_t kStepRecordBytes = 12;
inline constexpr size_t kMeasureRecordBytes = kStepRecordBytes * kStepsPerMeasureMax; // 192
// The name under which running copies find the format on the clipboard.
inline constexpr char kMeasureClipboardFormat[] = "KestrelboxLoopv2";

std::array<uint8_t, kMeasureRecordBytes> EncodeMeasureRecords(const Measure& measure);

// Reads the sixteen records from a block that any program may have put on the clipboard: false,
// with nothing changed, when it holds fewer than 192 bytes. `on` becomes 0 or 1, the note is held
// to -60..67 and the length to 0..127; the three other values are kept as they come.
bool DecodeMeasureRecords(const uint8_t* data, size_t size, Measure& into);
