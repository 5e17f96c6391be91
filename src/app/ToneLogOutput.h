#pragma once
// Test builds only: passes every tone on and appends a line "<ms> <note> <length> <run> <due>"
// to the file named by KESTREL_TONE_LOG, so a test can watch a running copy play from outside:
// <ms> is the system time when the tone was handed on, <due> its due time on the step clock
// (milliseconds, with fraction).
#include <cstdio>
#include <memory>

#include "playback/EngineSeams.h"

class ToneLogOutput : public ToneOutput {
public:
    // `path` null or empty: nothing is logged.
    ToneLogOutput(ToneOutput& inner, const char* path);
    void PlayNote(int note, int lengthMs) override;
    void PlayCue(const ToneCue& cue) override;
    void EndRun(uint32_t run) override { inner_.EndRun(run); }

private:
    void Log(int note, int lengthMs, uint32_t run, double dueMs);

    struct FileCloser {
        void operator()(FILE* file) const { fclose(file); }
    };
    ToneOutput& inner_;
    std::unique_ptr<FILE, FileCloser> file_;
};
