#include "song/Tempo.h"

#include <cmath>

namespace tempo {

double HoldTempo(double bpm) {
    if (std::isnan(bpm)) return kDefaultBpm;
    if (bpm > kMaxBpm) return kMaxBpm;
    if (!(bpm >= kMinBpm)) return kMinBpm;
    return bpm;
}

} // namespace tempo
