#include "song/MeasureRecord.h"

#include <algorithm>

namespace {

void Put16(uint8_t* at, int16_t v) {
    const auto u = static_cast<uint16_t>(v);
    at[0] = static_cast<uint8_t>(u & 0xFF);
    at[1] = static_cast<uint8_t>(u >> 8);
}

int16_t Get16(const uint8_t* at) { return static_cast<int16_t>(static_cast<uint16_t>(at[0] | (at[1] << 8))); }

constexpr int kRecordOrder[] = {ParamOn, ParamNote, ParamValue30, ParamValue40, ParamValue50, ParamLength};

} // namespace

std::array<uint8_t, kMeasureRecordBytes> EncodeMeasureRecords(const Measure& measure) {
    std::array<uint8_t, kMeasureRecordBytes> block{};
    for (int k = 0; k < kStepsPerMeasureMax; ++k) {
        uint8_t* record = block.data() + k * kStepRecordBytes;
        for (int i = 0; i < 6; ++i)
            Put16(record + 2 * i, static_cast<int16_t>(measure.steps[k].GetParam(kRecordOrder[i])));
    }
    return block;
}

bool DecodeMeasureRecords(const uint8_t* data, size_t size, Measure& into) {
    if (data == nullptr || size < kMeasureRecordBytes) return false;
    for (int k = 0; k < kStepsPerMeasureMax; ++k) {
        const uint8_t* record = data + k * kStepRecordBytes;
        Step& step = into.steps[k];
        step.on = static_cast<int16_t>(Get16(record) != 0 ? 1 : 0);
        step.note = std::clamp<int16_t>(Get16(record + 2), -60, 67);
        step.value30 = Get16(record + 4);
        step.value40 = Get16(record + 6);
        step.value50 = Get16(record + 8);
        step.length = std::clamp<int16_t>(Get16(record + 10), 0, 127);
    }
    return true;
}
