// libFuzzer target for the measure clipboard's reader: any block another program may put on the
// clipboard under the format's name. What it takes must be in range and must travel back through
// the writer unchanged; a short block must leave the measure as it was.
#include <cstdint>
#include <cstdlib>

#include "song/MeasureRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Measure measure;
    measure.steps[3].note = 11;
    const bool taken = DecodeMeasureRecords(data, size, measure);
    if (taken != (size >= kMeasureRecordBytes)) std::abort();
    if (!taken) {
        if (measure.steps[3].note != 11) std::abort();
        return 0;
    }
    for (const Step& step : measure.steps) {
        if (step.on != 0 && step.on != 1) std::abort();
        if (step.note < -60 || step.note > 67) std::abort();
        if (step.length < 0 || step.length > 127) std::abort();
    }
    const auto block = EncodeMeasureRecords(measure);
    Measure again;
    if (!DecodeMeasureRecords(block.data(), block.size(), again)) std::abort();
    if (EncodeMeasureRecords(again) != block) std::abort();
    return 0;
}
