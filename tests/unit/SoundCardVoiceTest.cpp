#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tone/SoundCardVoice.h"
#include "tone/SquareWave.h"
#include "tone/ToneOutputSwitch.h"
#include "tone/VoiceChoice.h"

namespace {

class ManualClock : public StepTimer {
public:
    void Configure(unsigned, Callback, void*) override {}
    void Start() override {}
    void Stop() override {}
    uint32_t NowMs() override { return static_cast<uint32_t>(std::floor(nowMs)); }
    double nowMs = 1'000'000.0;
};

// The audio thread with a full ring: one block rendered every block's length of clock time.
struct VoiceRig {
    VoiceRig() : voice(Setup(), clock) {}
    static VoiceSetup Setup() { return VoiceSetup{}; }
    double BlockMs() const { return 1000.0 * voice.Setup().blockSamples / voice.Setup().sampleRate; }
    void RenderOne() {
        std::vector<int16_t> block(static_cast<size_t>(voice.Setup().blockSamples));
        voice.RenderBlock(block.data());
        stream.insert(stream.end(), block.begin(), block.end());
        clock.nowMs += BlockMs();
    }
    void RenderUntil(double ms) {
        while (clock.nowMs < ms)
            RenderOne();
    }
    static ToneCue Cue(uint32_t run, uint32_t lineStart, double dueAfter, int note, int lengthMs,
                       bool sound = true) {
        ToneCue cue;
        cue.run = run;
        cue.lineStartMs = lineStart;
        cue.dueAfterMs = dueAfter;
        cue.note = note;
        cue.lengthMs = lengthMs;
        cue.sound = sound;
        return cue;
    }
    // First samples of tones: nonzero after at least `gap` silent samples.
    std::vector<int64_t> Onsets(int64_t gap = 50) const {
        std::vector<int64_t> onsets;
        int64_t silent = gap;
        for (size_t i = 0; i < stream.size(); ++i) {
            if (stream[i] != 0) {
                if (silent >= gap) onsets.push_back(static_cast<int64_t>(i));
                silent = 0;
            } else {
                ++silent;
            }
        }
        return onsets;
    }
    // The clock time at which sample i is heard: the block holding it was rendered at the clock
    // time of its index, and is heard AheadMs() later.
    double HeardAtMs(int64_t i, double firstBlockMs) const {
        return firstBlockMs + 1000.0 * static_cast<double>(i) / voice.Setup().sampleRate + voice.AheadMs();
    }

    ManualClock clock;
    SoundCardVoice voice;
    std::vector<int16_t> stream;
};

TEST(SoundCardVoice, TimerJitterNeverReachesTheSound) {
    // 40 steps at 126 BPM, each reported up to 4.7 ms late and at any point inside a block: the
    // onsets still lie exactly a whole number of step lengths apart, to the sample.
    VoiceRig rig;
    const double firstBlockMs = rig.clock.nowMs;
    const uint32_t lineStart = rig.clock.NowMs();
    const double stepMs = 15000.0 / 126.0;
    for (int k = 0; k < 40; ++k) {
        const double due = lineStart + k * stepMs;
        rig.RenderUntil(due + std::fmod(k * 1.7, 4.7));
        rig.voice.PlayCue(VoiceRig::Cue(1, lineStart, k * stepMs, 43, 30));
    }
    rig.RenderUntil(rig.clock.nowMs + 200.0);

    const std::vector<int64_t> onsets = rig.Onsets();
    ASSERT_EQ(onsets.size(), 40u);
    for (size_t k = 0; k < onsets.size(); ++k) {
        const int64_t expected = onsets[0] + std::llround(k * stepMs * 44100.0 / 1000.0);
        EXPECT_EQ(onsets[k], expected) << "step " << k;
    }
    // Heard a fixed latency after its due time, within the clock's whole millisecond.
    EXPECT_NEAR(rig.HeardAtMs(onsets[0], firstBlockMs), lineStart + rig.voice.Setup().latencyMs, 1.0);
    EXPECT_EQ(rig.voice.Counters().tones, 40u);
    EXPECT_EQ(rig.voice.Counters().lateTones, 0u);
}

TEST(SoundCardVoice, ToneLengthAndPitchAreTheSpeakers) {
    VoiceRig rig;
    const uint32_t lineStart = rig.clock.NowMs();
    rig.voice.PlayCue(VoiceRig::Cue(1, lineStart, 0.0, 60, 53)); // 106 ms at note 60
    rig.RenderUntil(rig.clock.nowMs + 300.0);
    const std::vector<int64_t> onsets = rig.Onsets();
    ASSERT_EQ(onsets.size(), 1u);
    int64_t last = onsets[0];
    int rising = 0;
    for (size_t i = static_cast<size_t>(onsets[0]); i < rig.stream.size(); ++i) {
        if (rig.stream[i] != 0) last = static_cast<int64_t>(i);
        if (i > 0 && rig.stream[i] > 0 && rig.stream[i - 1] < 0) ++rising;
    }
    EXPECT_EQ(last - onsets[0] + 1, std::llround(0.106 * 44100));
    EXPECT_NEAR(rising + 1, 0.106 * SpeakerFrequencyHz(60), 1.0);
}

TEST(SoundCardVoice, RestsAndStopsSilence) {
    VoiceRig rig;
    const uint32_t lineStart = rig.clock.NowMs();
    // A long tone, then a rest due inside it: the rest ends it at its own due time.
    rig.voice.PlayCue(VoiceRig::Cue(1, lineStart, 0.0, 43, 200));
    rig.voice.PlayCue(VoiceRig::Cue(1, lineStart, 100.0, 43, 0, false));
    rig.RenderUntil(rig.clock.nowMs + 500.0);
    std::vector<int64_t> onsets = rig.Onsets();
    ASSERT_EQ(onsets.size(), 1u);
    int64_t lastSound = 0;
    for (size_t i = 0; i < rig.stream.size(); ++i)
        if (rig.stream[i] != 0) lastSound = static_cast<int64_t>(i);
    EXPECT_EQ(lastSound + 1 - onsets[0], std::llround(0.1 * 44100));

    // A stop while a tone sounds: the next block is silent, and a cue of the stopped run that
    // arrives late is ignored; the next run sounds.
    rig.stream.clear();
    const uint32_t line2 = rig.clock.NowMs();
    rig.voice.PlayCue(VoiceRig::Cue(2, line2, 0.0, 43, 250));
    rig.RenderUntil(rig.clock.nowMs + 100.0);
    rig.voice.EndRun(2);
    const size_t stoppedAt = rig.stream.size();
    rig.voice.PlayCue(VoiceRig::Cue(2, line2, 119.0, 43, 30));
    rig.RenderUntil(rig.clock.nowMs + 400.0);
    for (size_t i = stoppedAt; i < rig.stream.size(); ++i)
        ASSERT_EQ(rig.stream[i], 0) << "sample " << i << " after the stop";
    rig.voice.PlayCue(VoiceRig::Cue(3, rig.clock.NowMs(), 0.0, 43, 30));
    rig.RenderUntil(rig.clock.nowMs + 100.0);
    EXPECT_NE(std::count(rig.stream.begin() + static_cast<long>(stoppedAt), rig.stream.end(), int16_t{8000}),
              0);
}

TEST(SoundCardVoice, AFullQueueDropsCuesAndCountsThem) {
    VoiceRig rig;
    const uint32_t lineStart = rig.clock.NowMs();
    for (int k = 0; k < 100; ++k)
        rig.voice.PlayCue(VoiceRig::Cue(1, lineStart, k * 2.0, 43, 1));
    EXPECT_EQ(rig.voice.Counters().droppedCues, 36u);
    rig.RenderUntil(rig.clock.nowMs + 300.0);
    EXPECT_EQ(rig.voice.Counters().tones, 64u);
}

TEST(SoundCardVoice, ALateCueStillEndsOnTimeAndIsCounted) {
    VoiceRig rig;
    const uint32_t lineStart = rig.clock.NowMs();
    rig.voice.PlayCue(VoiceRig::Cue(1, lineStart, 0.0, 43, 30));
    rig.RenderUntil(lineStart + 100.0);
    // Reported 50 ms after its due time: far past the latency.
    rig.voice.PlayCue(VoiceRig::Cue(1, lineStart, 50.0, 43, 40));
    rig.RenderUntil(rig.clock.nowMs + 200.0);
    EXPECT_EQ(rig.voice.Counters().lateTones, 1u);
    const std::vector<int64_t> onsets = rig.Onsets(20);
    ASSERT_EQ(onsets.size(), 2u);
    int64_t lastSound = 0;
    for (size_t i = 0; i < rig.stream.size(); ++i)
        if (rig.stream[i] != 0) lastSound = static_cast<int64_t>(i);
    // It ends where it would have ended, 50 + 80 ms after the first tone's start.
    EXPECT_NEAR(static_cast<double>(lastSound + 1 - onsets[0]), 0.130 * 44100, 2.0);
}

class CountingOutput : public ToneOutput {
public:
    void PlayNote(int, int) override { ++notes; }
    void EndRun(uint32_t run) override { endedRuns.push_back(run); }
    int notes = 0;
    std::vector<uint32_t> endedRuns;
};

TEST(ToneOutputSwitch, SwitchingSilencesTheOutputLeft) {
    CountingOutput speaker, card;
    ToneOutputSwitch voices(speaker);
    voices.PlayCue(VoiceRig::Cue(4, 0, 0.0, 43, 10));
    voices.Use(card);
    voices.PlayCue(VoiceRig::Cue(4, 0, 119.0, 43, 10));
    EXPECT_EQ(speaker.notes, 1);
    EXPECT_EQ(card.notes, 1);
    ASSERT_EQ(speaker.endedRuns.size(), 1u);
    EXPECT_EQ(speaker.endedRuns[0], 4u);
    voices.Use(card); // no change, nothing silenced
    EXPECT_TRUE(card.endedRuns.empty());
}

TEST(VoiceChoice, SoundCardUnderWineOrWithoutSpeakerAndTheNoticeOnce) {
    EXPECT_TRUE(PreferSoundCard({true, true}));
    EXPECT_TRUE(PreferSoundCard({false, false}));
    EXPECT_FALSE(PreferSoundCard({false, true}));
    EXPECT_EQ(TakeVoiceNotice(), "");
    RaiseSoundCardFallbackNotice();
    RaiseSoundCardFallbackNotice();
    EXPECT_EQ(TakeVoiceNotice(), kSoundCardFallbackText);
    EXPECT_EQ(TakeVoiceNotice(), "");
}

} // namespace
