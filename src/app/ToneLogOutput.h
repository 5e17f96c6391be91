#pragma once
// Test builds only: passes every tone on and appends a line "<ms> <note> <length> <run> <due>
// <counter>" to the file named by KESTREL_TONE_LOG, so a test can watch a running copy play from
// outside: <ms> is the system time when the tone was handed on, <due> its due time on the step
// clock and <counter> the performance counter then (both milliseconds, with fraction; the step
// clock may run at its own rate, which the two tell). A test can also post kProbeMarkMessage to the main
// window: the copy then appends "mark <wParam> <playing> <voice>", and since it takes its messages in order,
// everything posted to it before has been handled by then; <voice> is what the sound card
// counted ("latency <ms> lookahead <ms> tones <n> late <n> dropouts <n> lost <ms> dropped <n>").
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "playback/EngineSeams.h"

inline constexpr char kProbeMarkMessage[] = "KestrelboxProbeMark";

class ToneLogOutput : public ToneOutput {
public:
    // `path` null or empty: nothing is logged.
    ToneLogOutput(ToneOutput& inner, const char* path);
    ~ToneLogOutput() override;
    ToneLogOutput(const ToneLogOutput&) = delete;
    ToneLogOutput& operator=(const ToneLogOutput&) = delete;

    void PlayNote(int note, int lengthMs) override;
    void PlayCue(const ToneCue& cue) override;
    void EndRun(uint32_t run) override { inner.EndRun(run); }
    void Silence() override { inner.Silence(); }

    // Answers marks on the calling thread, the one running the message loop, for as long as this
    // object lives; `playing` tells whether the engine is playing.
    void AnswerMarks(std::function<bool()> playing, std::function<std::string()> voice);
    // Appends the mark line for `sequence`.
    void Mark(unsigned long sequence);

private:
    void Log(int note, int lengthMs, uint32_t run, double dueMs);

    struct FileCloser {
        void operator()(FILE* file) const { fclose(file); }
    };
    void WriteLine(const char* format, ...);

    ToneOutput& inner;
    std::unique_ptr<FILE, FileCloser> file;
    std::function<bool()> playing;
    std::function<std::string()> voice;
    void* hook = nullptr;
};
