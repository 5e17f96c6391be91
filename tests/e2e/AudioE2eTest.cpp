// The program heard: test builds play their start-up setups through the sound card while a
// PulseAudio null sink records them (tools/audio-e2e.sh sets that up, moves each copy's stream to
// its own channel and checks the recording against the tone logs these tests leave). Skipped
// unless the script names the logs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "app/ToneLogOutput.h"

namespace {

// Only a safety net: every wait ends as soon as what it waits for has happened.
constexpr DWORD kSafetyLimitMs = 120000;

std::vector<std::string> LogLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

struct LoggedCue {
    unsigned run = 0;
    double dueMs = 0.0;
};

std::vector<LoggedCue> Cues(const std::string& path) {
    std::vector<LoggedCue> cues;
    for (const std::string& line : LogLines(path)) {
        std::istringstream fields(line);
        unsigned long ms = 0;
        int note = 0, length = 0;
        LoggedCue cue;
        if (fields >> ms >> note >> length >> cue.run >> cue.dueMs) cues.push_back(cue);
    }
    return cues;
}

// The span of due times the copy's latest run has logged so far, if that run came after `run`.
double SpanAfter(const std::string& path, unsigned run) {
    const std::vector<LoggedCue> cues = Cues(path);
    if (cues.empty() || cues.back().run <= run) return 0.0;
    double first = cues.back().dueMs;
    for (const LoggedCue& cue : cues)
        if (cue.run == cues.back().run) first = std::min(first, cue.dueMs);
    return cues.back().dueMs - first;
}

unsigned LatestRun(const std::string& path) {
    const std::vector<LoggedCue> cues = Cues(path);
    return cues.empty() ? 0 : cues.back().run;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// A copy of the test build with its tone log; it answers marks, which say whether it plays and
// what its sound card has counted.
struct Copy {
    explicit Copy(const std::string& logPath) : log(logPath) {
        DeleteFileA(log.c_str());
        copy = StartCopy("", {"KESTREL_TONE_LOG=" + log}, kProbeExe);
    }
    ~Copy() { EndCopy(copy); }
    Copy(const Copy&) = delete;
    Copy& operator=(const Copy&) = delete;

    HWND Window() const { return copy.window; }
    // Posts a mark request and returns the mark's line once the copy has written it: by then it
    // has handled everything posted to it before. Empty when it never answered.
    std::string Mark() {
        static const UINT markMessage = RegisterWindowMessageA(kProbeMarkMessage);
        static unsigned long sequence = 0;
        const std::string prefix = "mark " + std::to_string(++sequence) + " ";
        PostMessageA(copy.window, markMessage, sequence, 0);
        std::string found;
        WaitFor(
            [&] {
                for (const std::string& line : LogLines(log))
                    if (line.compare(0, prefix.size(), prefix) == 0) found = line;
                return !found.empty();
            },
            kSafetyLimitMs);
        return found.empty() ? "" : found.substr(prefix.size());
    }
    bool Playing() { return Mark().compare(0, 1, "1") == 0; }
    // The sound card has chosen its latency, so the first tone of a start is placed like any.
    bool VoiceReady() {
        return WaitFor(
            [&] {
                std::istringstream fields(Mark());
                std::string playing, word;
                double latency = 0.0;
                fields >> playing >> word >> latency;
                return word == "latency" && latency > 0.0;
            },
            kSafetyLimitMs);
    }
    void Space() {
        runBefore = LatestRun(log);
        PressKey(copy.window, VK_SPACE);
    }
    // The run that began after the last Space() has played for `ms`.
    bool PlaysFor(double ms) {
        return WaitFor([&] { return SpanAfter(log, runBefore) >= ms; }, kSafetyLimitMs);
    }
    unsigned runBefore = 0;

    std::string log;
    RunningCopy copy;
};

TEST(AudioE2e, SeveralStartsAreHeardOnSchedule) {
    const std::string log = Environment("KB_AUDIO_TONE_LOG");
    if (log.empty()) GTEST_SKIP() << "run by tools/audio-e2e.sh";
    const int starts = std::clamp(std::atoi(Environment("KB_AUDIO_STARTS").c_str()), 1, 100);
    const double runMs = std::clamp(std::atof(Environment("KB_AUDIO_RUN_MS").c_str()), 500.0, 600000.0);

    const ScopedVoice soundCard(HarnessVoice::SoundCard);
    Copy copy(log);
    ASSERT_NE(copy.Window(), nullptr);
    ASSERT_TRUE(copy.VoiceReady()) << "the sound card never chose its latency";
    for (int start = 0; start < starts; ++start) {
        copy.Space();
        EXPECT_TRUE(copy.PlaysFor(runMs)) << "start " << start << " stopped playing";
        copy.Space();
        EXPECT_FALSE(copy.Playing()) << "start " << start << " did not stop";
    }
    std::printf("voice: %s\n", copy.Mark().c_str());
    EXPECT_TRUE(CloseCopy(copy.copy)) << "closing hung";
}

TEST(AudioE2e, TwoCopiesSoundAsOne) {
    const std::string logs = Environment("KB_AUDIO_PAIR_LOGS");
    if (logs.empty()) GTEST_SKIP() << "run by tools/audio-e2e.sh";
    const std::string wanted = Environment("KB_AUDIO_STREAMS_WANTED");
    const std::string moved = Environment("KB_AUDIO_STREAMS_MOVED");
    const double longMs = std::clamp(std::atof(Environment("KB_AUDIO_PAIR_MS").c_str()), 1000.0, 600000.0);
    const double shortMs = std::min(longMs, 8000.0);

    const ScopedVoice soundCard(HarnessVoice::SoundCard);
    const size_t split = logs.find(';');
    ASSERT_NE(split, std::string::npos);
    Copy first(logs.substr(0, split));
    ASSERT_NE(first.Window(), nullptr);
    ASSERT_TRUE(first.VoiceReady());
    Copy second(logs.substr(split + 1));
    ASSERT_NE(second.Window(), nullptr);
    ASSERT_TRUE(second.VoiceReady());
    // Both streams exist: the script moves each to its own channel, then says so.
    std::ofstream(wanted).put('\n');
    ASSERT_TRUE(WaitFor([&] { return GetFileAttributesA(moved.c_str()) != INVALID_FILE_ATTRIBUTES; },
                        kSafetyLimitMs));

    // Started from each copy in turn: both play, on one time line.
    for (Copy* starter : {&first, &second}) {
        Copy* other = starter == &first ? &second : &first;
        starter->Space();
        EXPECT_TRUE(starter->PlaysFor(starter == &first ? longMs : shortMs));
        starter->Space();
        // The starter's mark comes after its stop, which it broadcast before the other's mark.
        EXPECT_FALSE(starter->Playing());
        EXPECT_FALSE(other->Playing());
    }
    // With Control held the first copy plays alone.
    const size_t secondsTones = Cues(second.log).size();
    {
        HeldKey control(first.Window(), VK_CONTROL);
        ASSERT_TRUE(control.IsHeld());
        first.Space();
        EXPECT_TRUE(first.Playing());
    }
    EXPECT_TRUE(first.PlaysFor(2000.0));
    EXPECT_FALSE(second.Playing()) << "Control was held, yet the second copy started";
    {
        HeldKey control(first.Window(), VK_CONTROL);
        ASSERT_TRUE(control.IsHeld());
        first.Space();
        EXPECT_FALSE(first.Playing());
    }
    EXPECT_EQ(Cues(second.log).size(), secondsTones);
    std::printf("voices: %s | %s\n", first.Mark().c_str(), second.Mark().c_str());
    EXPECT_TRUE(CloseCopy(first.copy));
    EXPECT_TRUE(CloseCopy(second.copy));
}

} // namespace
