#include "song/SongDocument.h"

#include "common/Random.h"

SongDocument::SongDocument() {
    for (int m = 0; m < kMeasureCount; ++m) {
        measures[m].next = static_cast<int16_t>(m);
        measures[m].repeat = 1;
        RandomizeSteps(m);
    }
}

void SongDocument::RandomizeSteps(int m) {
    for (Step& step : measures[m].steps) {
        step.note = static_cast<int16_t>(RandomBelow(128) - 60);
        step.value30 = static_cast<int16_t>(RandomBelow(128));
        step.value40 = static_cast<int16_t>(RandomBelow(128));
        step.value50 = static_cast<int16_t>(RandomBelow(128));
        step.length = static_cast<int16_t>(RandomBelow(128));
    }
}
