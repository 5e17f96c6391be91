#pragma once
// The offline renderer's schedule: the real step engine run on a virtual clock, so every onset
// and every length is the engine's own, stopped after a number of passes through the measure
// chain or a number of seconds.
#include <cstdint>
#include <string>
#include <vector>

#include "song/SongDocument.h"

struct RenderLimits {
    int passes = 0;            // passes through the chain; 0 with seconds 0: one pass
    double seconds = 0.0;      // length of the render; 0: by passes
    double capSeconds = 600.0; // a render never runs longer
    int startMeasure = -1;     // 0..7; -1: the setup's edit measure
};

struct RenderedNote {
    double startMs = 0.0;   // the step's due time from the first step
    double lengthMs = 0.0;  // as the speaker sounds it: twice the engine's length
    int note = 0;           // 1..127, transposed and clamped as the engine plays it
    int16_t stepLength = 0; // the step's length value, 0..127
};

struct RenderSchedule {
    std::vector<RenderedNote> notes;
    double endMs = 0.0;
    int passes = 0;      // whole passes completed
    bool capped = false; // stopped by capSeconds before the requested limit
    double tempo = 0.0;
};

// Runs the engine over `doc` (which it plays, so it changes the playing position) until the
// limit. A pass runs from the start measure until the chain returns to a measure already played
// in that pass; the next pass starts there. The render ends at the due time of the first step
// after the last pass, or at exactly `seconds`.
RenderSchedule ScheduleRender(SongDocument& doc, const RenderLimits& limits);

// Settings-file checks the program itself does not need: a file whose version is none this
// program ever wrote, or which is longer than its version's layout, is not a settings file.
// Empty when the bytes look like one; otherwise the reason.
std::string ForeignSettingsReason(const std::vector<uint8_t>& bytes);
