#include "app/ToneLogOutput.h"

#include <windows.h>

#include <mmsystem.h>

ToneLogOutput::ToneLogOutput(ToneOutput& inner, const char* path) : inner_(inner) {
    if (path != nullptr && path[0] != '\0') file_.reset(fopen(path, "a"));
}

void ToneLogOutput::Log(int note, int lengthMs, uint32_t run, double dueMs) {
    if (!file_) return;
    // Flushed per line: the reader is another process, looking while this one plays.
    fprintf(file_.get(), "%lu %d %d %lu %.3f\n", static_cast<unsigned long>(timeGetTime()), note, lengthMs,
            static_cast<unsigned long>(run), dueMs);
    fflush(file_.get());
}

void ToneLogOutput::PlayNote(int note, int lengthMs) {
    Log(note, lengthMs, 0, 0.0);
    inner_.PlayNote(note, lengthMs);
}

void ToneLogOutput::PlayCue(const ToneCue& cue) {
    // Every tone the engine sounds, whichever output sounds it; rests are not logged.
    if (cue.sound) Log(cue.note, cue.lengthMs, cue.run, cue.lineStartMs + cue.dueAfterMs);
    inner_.PlayCue(cue);
}
