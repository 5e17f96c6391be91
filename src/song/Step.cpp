#include "song/Step.h"

int32_t Step::GetParam(int param) const {
    switch (param) {
    case ParamOn: return on != 0 ? 1 : 0;
    case ParamNote: return note;
    case ParamValue30: return value30;
    case ParamValue40: return value40;
    case ParamValue50: return value50;
    case ParamLength: return length;
    default: return 0;
    }
}

void Step::SetParam(int param, int32_t value) {
    const auto low16 = static_cast<int16_t>(static_cast<uint16_t>(value));
    switch (param) {
    case ParamOn: on = static_cast<int16_t>(value != 0 ? 1 : 0); break;
    case ParamNote: note = low16; break;
    case ParamValue30: value30 = low16; break;
    case ParamValue40: value40 = low16; break;
    case ParamValue50: value50 = low16; break;
    case ParamLength: length = low16; break;
    default: break;
    }
}

void CopySteps(Measure& destination, const Measure& source, int count) {
    for (int k = 0; k < count && k < kStepsPerMeasureMax; ++k)
        CopyStepValues(destination.steps[k], source.steps[k]);
}

void CopyStepValues(Step& to, const Step& from) {
    to.on = from.on;
    to.note = from.note;
    to.value30 = from.value30;
    to.value40 = from.value40;
    to.value50 = from.value50;
    to.length = from.length;
}
