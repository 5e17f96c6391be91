#pragma once
// Test builds only: passes every tone on and appends a line "<ms> <note> <length>" to the file
// named by KESTREL_TONE_LOG, so a test can watch a running copy play from outside.
#include <cstdio>
#include <memory>

#include "playback/EngineSeams.h"

class ToneLogOutput : public ToneOutput {
public:
    // `path` null or empty: nothing is logged.
    ToneLogOutput(ToneOutput& inner, const char* path);
    void PlayNote(int note, int lengthMs) override;

private:
    struct FileCloser {
        void operator()(FILE* file) const { fclose(file); }
    };
    ToneOutput& inner_;
    std::unique_ptr<FILE, FileCloser> file_;
};
