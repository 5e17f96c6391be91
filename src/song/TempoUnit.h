#pragma once
// The unit the tempo field shows; the settings file stores it as this number.
#include <cstdint>

enum class TempoUnit : int16_t { BeatsPerMinute = 0, SamplesPerMeasure = 1 };

// A stored number as a unit: anything but samples per measure shows beats per minute.
constexpr TempoUnit TempoUnitFromFile(int16_t stored) {
    return stored == static_cast<int16_t>(TempoUnit::SamplesPerMeasure) ? TempoUnit::SamplesPerMeasure
                                                                        : TempoUnit::BeatsPerMinute;
}
