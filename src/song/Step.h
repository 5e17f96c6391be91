#pragma once
// One step of a measure, and the measure that holds sixteen of them.
//
// Thread-safety: the timer thread reads `on`, `note` and `length` of the playing measure and the
// measure's `next` and `repeat` while the UI thread edits them, so every field is a Shared value
// (relaxed atomic, lock-free). Each is read and written whole; nothing relies on a step being
// consistent as a group.
#include <cstdint>

#include "common/Shared.h"

// Parameter identifiers by which the panel addresses a step's values. A step column's cell for
// parameter p has the control identifier 10000 + 100 x (column - 1) + p.
enum StepParam : int {
    ParamOn = 10,
    ParamNote = 20,
    ParamValue30 = 30,
    ParamValue40 = 40,
    ParamValue50 = 50,
    ParamLength = 60,
};

class Step {
public:
    virtual ~Step() = default;

    // 1 if `on` is nonzero, the other values sign-extended, 0 for an unknown parameter.
    int32_t GetParam(int param) const;
    // `on` becomes 0 or 1; the others keep the low 16 bits; an unknown parameter is ignored.
    void SetParam(int param, int32_t value);

    Shared<int16_t> on{1};
    Shared<int16_t> note{0};      // offset: sounding note = note + 60 + transpose
    Shared<int16_t> value30{0};   // kept and saved, not played
    Shared<int16_t> value40{100}; // kept and saved, not played
    Shared<int16_t> value50{64};  // kept and saved, not played
    Shared<int16_t> length{30};   // tone length in 1/128 of the sounding window
};

constexpr int kStepsPerMeasureMax = 16;
constexpr int kMeasureCount = 8;

class Measure {
public:
    virtual ~Measure() = default;

    Step steps[kStepsPerMeasureMax];
    Shared<int16_t> next{0};   // measure that follows when this one's passes are done
    Shared<int16_t> repeat{1}; // passes before the link is followed; 0 plays once
};

// Copies all six values of one step, exactly as stored.
void CopyStepValues(Step& to, const Step& from);

// Copies the six values of steps 0 .. count-1; the link and repeat count are never copied.
void CopySteps(Measure& destination, const Measure& source, int count);
