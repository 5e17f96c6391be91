#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "tone/PlayedPositionMap.h"
#include "tone/SoundCardVoice.h"
#include "tone/SquareWave.h"
#include "tone/ToneOutputSwitch.h"
#include "tone/VoiceChoice.h"

namespace {

// A sound device as Wine's driver behaves, on a simulated clock: it plays the samples written to
// it at the sample rate, but counts them, and hands finished buffers back, only at its period
// ticks (bursts); with nothing left to play it underruns and loses that time. The audio thread
// wakes at every tick and every 5 ms otherwise, unless the test stalls it. Every sample's moment
// of being played is kept, so a test can tell when a tone was heard.
struct FakeDevice {
    explicit FakeDevice(VoiceSetup setup = Setup()) : voice(setup), ring(static_cast<size_t>(setup.blocks)) {}
    static VoiceSetup Setup() {
        VoiceSetup setup;
        setup.fixedLatencyMs = 0.0;
        return setup;
    }
    int Rate() const { return voice.Setup().sampleRate; }
    int Block() const { return voice.Setup().blockSamples; }

    // Advances the clock to `untilMs` in steps of 0.1 ms, sounding the cues that fall due.
    void RunUntil(double untilMs) {
        while (nowMs < untilMs) {
            nowMs += 0.1;
            while (!cues.empty() && cues.front().first <= nowMs) {
                voice.PlayCue(cues.front().second);
                cues.erase(cues.begin());
            }
            Play(0.1);
            const bool tick = nowMs >= nextTickMs;
            if (tick) {
                nextTickMs += periodMs;
                reported = static_cast<int64_t>(played);
                for (auto& queued : ring)
                    if (queued.written && queued.end <= reported) queued.done = true;
            }
            const bool stalled = nowMs >= stallFromMs && nowMs < stallUntilMs;
            if (!stalled && (tick || nowMs >= nextWakeMs)) Wake();
        }
    }
    void Play(double ms) {
        if (!started) return;
        const double before = played;
        played = std::min(played + ms * Rate() / 1000.0, static_cast<double>(written));
        if (played == before) return; // underrun: the time is lost
        for (auto s = static_cast<int64_t>(before); s < static_cast<int64_t>(played); ++s)
            playedAtMs.push_back(nowMs);
    }
    void Wake() {
        nextWakeMs = nowMs + 5.0;
        voice.ObservePosition(nowMs, reported);
        for (;;) {
            Queued& queued = ring[next];
            if (queued.written && !queued.done) break;
            std::vector<int16_t> block(static_cast<size_t>(Block()));
            voice.RenderBlock(block.data());
            stream.insert(stream.end(), block.begin(), block.end());
            written += Block();
            queued = {true, false, written};
            next = (next + 1) % ring.size();
            started = true;
        }
    }
    // A cue that the timer thread reports `lateMs` after its due time.
    void Report(uint32_t run, uint32_t lineStart, double dueAfter, int note, int lengthMs,
                double lateMs = 0.3, bool sound = true) {
        ToneCue cue;
        cue.run = run;
        cue.lineStartMs = lineStart;
        cue.dueAfterMs = dueAfter;
        cue.note = note;
        cue.lengthMs = lengthMs;
        cue.sound = sound;
        const double at = lineStart + dueAfter + lateMs;
        auto place = std::find_if(cues.begin(), cues.end(), [&](const auto& c) { return c.first > at; });
        cues.insert(place, {at, cue});
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
    double HeardAtMs(int64_t sample) const { return playedAtMs.at(static_cast<size_t>(sample)); }
    // Lets the device settle, so that the voice has chosen its latency.
    void Settle() { RunUntil(nowMs + 2000.0); }

    struct Queued {
        bool written = false;
        bool done = false;
        int64_t end = 0;
    };
    SoundCardVoice voice;
    std::vector<Queued> ring;
    size_t next = 0;
    double nowMs = 1'000'000.0;
    double periodMs = 10.0;
    double nextTickMs = 1'000'003.3;
    double nextWakeMs = 0.0;
    double stallFromMs = 0.0;
    double stallUntilMs = 0.0;
    bool started = false;
    double played = 0.0;
    int64_t reported = 0;
    int64_t written = 0;
    std::vector<int16_t> stream;
    std::vector<double> playedAtMs;
    std::vector<std::pair<double, ToneCue>> cues;
};

TEST(SoundCardVoice, EveryToneIsHeardItsLatencyAfterItsDueTimeFromTheFirstOn) {
    // A device that counts and returns buffers only every 10 ms, steps reported up to 4.7 ms late
    // at any point of a period, and two starts: every tone, the first of each run included, is
    // heard the same latency after its due time, to the sample.
    FakeDevice device;
    device.Settle();
    const VoiceCounters settled = device.voice.Counters();
    ASSERT_GT(settled.latencyMs, 0.0) << "no latency was chosen";
    EXPECT_GE(settled.lookaheadMs, device.voice.Setup().blocks * 256 * 1000.0 / 44100 - 1.0)
        << "the ring is written ahead";
    EXPECT_LE(settled.latencyMs, settled.lookaheadMs + 10.0);
    const double stepMs = 15000.0 / 126.0;
    std::vector<double> due;
    for (uint32_t run = 1; run <= 2; ++run) {
        const auto lineStart = static_cast<uint32_t>(device.nowMs + 7.0);
        for (int k = 0; k < 20; ++k) {
            device.Report(run, lineStart, k * stepMs, 43, 30, std::fmod(k * 1.7, 4.7));
            due.push_back(lineStart + k * stepMs);
        }
        device.RunUntil(lineStart + 20 * stepMs + 200.0);
        device.voice.EndRun(run);
        device.RunUntil(device.nowMs + 333.3);
    }
    const std::vector<int64_t> onsets = device.Onsets();
    ASSERT_EQ(onsets.size(), due.size());
    for (size_t k = 0; k < onsets.size(); ++k)
        EXPECT_NEAR(device.HeardAtMs(onsets[k]) - due[k], settled.latencyMs, 1000.0 / 44100 + 0.1)
            << "tone " << k;
    EXPECT_EQ(device.voice.Counters().lateTones, 0u);
    EXPECT_EQ(device.voice.Counters().dropouts, 0u);
}

TEST(SoundCardVoice, ADropoutCostsOnlyTheTonesItSwallowed) {
    // The audio thread stalls for 150 ms, longer than the ring lasts, so the device runs dry. The tone
    // due inside the stall comes late (and is counted); the map sees the lost time in the
    // position, and every tone after it is heard its latency after its due time again.
    FakeDevice device;
    device.Settle();
    const double latency = device.voice.Counters().latencyMs;
    const double stepMs = 100.0;
    const auto lineStart = static_cast<uint32_t>(device.nowMs + 5.0);
    device.stallFromMs = lineStart + 250.0;
    device.stallUntilMs = lineStart + 400.0;
    for (int k = 0; k < 12; ++k)
        device.Report(1, lineStart, k * stepMs, 43, 20);
    device.RunUntil(lineStart + 12 * stepMs + 200.0);
    const VoiceCounters counters = device.voice.Counters();
    EXPECT_EQ(counters.dropouts, 1u);
    EXPECT_NEAR(counters.lostMs, 150.0 - device.voice.Setup().blocks * 256 * 1000.0 / 44100, 12.0);
    EXPECT_GE(counters.lateTones, 1u);
    const std::vector<int64_t> onsets = device.Onsets();
    ASSERT_GE(onsets.size(), 11u);
    for (int k = 0; k < 12; ++k) {
        const double dueMs = lineStart + k * stepMs;
        if (dueMs >= device.stallFromMs - latency && dueMs < device.stallUntilMs + 60.0)
            continue; // swallowed
        const auto heard = std::find_if(onsets.begin(), onsets.end(), [&](int64_t onset) {
            return std::fabs(device.HeardAtMs(onset) - dueMs - latency) < 30.0;
        });
        ASSERT_NE(heard, onsets.end()) << "tone " << k << " was not heard";
        EXPECT_NEAR(device.HeardAtMs(*heard) - dueMs, latency, 1000.0 / 44100 + 0.1) << "tone " << k;
    }
}

TEST(PlayedPositionMap, CoarseLateAndBrieflyEarlyReadingsDoNotMoveItButLostTimeDoes) {
    PositionMapSetup setup;
    PlayedPositionMap map(setup);
    map.Add(0.0, 0); // not started yet
    EXPECT_FALSE(map.Ready());
    // A position that moves in 441-sample steps every 10 ms, read every 3 ms just after a step
    // or up to 9 ms after one.
    for (double t = 5.0; t < 2000.0; t += 3.0) {
        const int64_t played = static_cast<int64_t>(std::floor(t / 10.0)) * 441;
        map.Add(t, played);
    }
    ASSERT_TRUE(map.Ready());
    EXPECT_NEAR(map.SampleAt(1000.0), 1000.0 * 44.1, 1.0);
    EXPECT_EQ(map.Dropouts(), 0u);
    // Reading stops for 40 ms (a late wake-up), and later the count runs 2 ms ahead for 40 ms
    // (early ticks after a late one): nothing moves.
    for (double t = 2040.0; t < 3000.0; t += 3.0) {
        const double counted = t >= 2500.0 && t < 2540.0 ? t + 2.0 : t;
        map.Add(t, static_cast<int64_t>(std::floor(counted / 10.0)) * 441);
    }
    EXPECT_EQ(map.Dropouts(), 0u);
    EXPECT_NEAR(map.SampleAt(2990.0), 2990.0 * 44.1, 1.0);
    // The device stops for 50 ms and then goes on from where it was: 50 ms lost, counted once.
    for (double t = 3000.0; t < 5000.0; t += 3.0) {
        const double playing = t < 3050.0 ? 3000.0 : t - 50.0;
        map.Add(t, static_cast<int64_t>(std::floor(playing / 10.0)) * 441);
    }
    EXPECT_EQ(map.Dropouts(), 1u);
    EXPECT_NEAR(map.LostMs(), 50.0, 1.0);
    EXPECT_NEAR(map.SampleAt(4000.0), 3950.0 * 44.1, 1.0);
    EXPECT_NEAR(map.ClockAt(map.SampleAt(4321.5)), 4321.5, 1e-6);

    // A driver that counts 400 ms as played at once and then runs slow until the sound catches
    // up (Wine's does, for a second or more): the map is not ready while the count falls behind,
    // and then needs no dropout to be right.
    PlayedPositionMap starting(setup);
    for (double t = 0.0; t < 3000.0; t += 3.0) {
        const double counted = std::max(400.0 + 0.25 * t, t);
        starting.Add(1000.0 + t, static_cast<int64_t>(std::floor(counted / 10.0)) * 441);
        if (t < 500.0) {
            EXPECT_FALSE(starting.Ready()) << t;
        }
    }
    ASSERT_TRUE(starting.Ready());
    EXPECT_EQ(starting.Dropouts(), 0u);
    EXPECT_NEAR(starting.SampleAt(3900.0), 2900.0 * 44.1, 1.0);
}

TEST(SoundCardVoice, ToneLengthAndPitchAreTheSpeakers) {
    FakeDevice device;
    device.Settle();
    device.Report(1, static_cast<uint32_t>(device.nowMs), 0.0, 60, 53); // 106 ms at note 60
    device.RunUntil(device.nowMs + 300.0);
    const std::vector<int64_t> onsets = device.Onsets();
    ASSERT_EQ(onsets.size(), 1u);
    int64_t last = onsets[0];
    int rising = 0;
    for (size_t i = static_cast<size_t>(onsets[0]); i < device.stream.size(); ++i) {
        if (device.stream[i] != 0) last = static_cast<int64_t>(i);
        if (i > 0 && device.stream[i] > 0 && device.stream[i - 1] < 0) ++rising;
    }
    EXPECT_EQ(last - onsets[0] + 1, std::llround(0.106 * 44100));
    EXPECT_NEAR(rising + 1, 0.106 * SpeakerFrequencyHz(60), 1.0);
}

TEST(SoundCardVoice, RestsAndStopsSilence) {
    FakeDevice device;
    device.Settle();
    const auto lineStart = static_cast<uint32_t>(device.nowMs);
    // A long tone, then a rest due inside it: the rest ends it at its own due time.
    device.Report(1, lineStart, 0.0, 43, 200);
    device.Report(1, lineStart, 100.0, 43, 0, 0.3, false);
    device.RunUntil(device.nowMs + 500.0);
    std::vector<int64_t> onsets = device.Onsets();
    ASSERT_EQ(onsets.size(), 1u);
    int64_t lastSound = 0;
    for (size_t i = 0; i < device.stream.size(); ++i)
        if (device.stream[i] != 0) lastSound = static_cast<int64_t>(i);
    EXPECT_EQ(lastSound + 1 - onsets[0], std::llround(0.1 * 44100));

    // A stop while a tone sounds is heard a latency after it was made, like every step: the tone
    // sounds up to then and not after, a cue of the stopped run that arrives late is ignored, and
    // the next run sounds.
    const double latencyMs = device.voice.Counters().latencyMs;
    const auto line2 = static_cast<uint32_t>(device.nowMs);
    device.Report(2, line2, 0.0, 43, 250);
    device.RunUntil(device.nowMs + 100.0);
    const double stopMs = device.nowMs;
    device.voice.EndRunAt(2, stopMs);
    device.RunUntil(device.nowMs + 0.2);
    device.Report(2, line2, 119.0, 43, 30, 1.0);
    device.RunUntil(device.nowMs + 400.0);
    const size_t stoppedAt = device.playedAtMs.size();
    for (size_t i = 0; i < stoppedAt; ++i) {
        const double heard = device.playedAtMs[i];
        if (heard > stopMs + latencyMs + 0.1) {
            ASSERT_EQ(device.stream[i], 0) << "heard " << heard - stopMs << " ms after the stop";
        } else if (heard > stopMs + latencyMs - 50.0 && heard < stopMs + latencyMs - 0.1) {
            ASSERT_NE(device.stream[i], 0) << "heard " << heard - stopMs << " ms after the stop";
        }
    }
    device.Report(3, static_cast<uint32_t>(device.nowMs), 0.0, 43, 30);
    device.RunUntil(device.nowMs + 200.0);
    EXPECT_NE(std::count(device.stream.begin() + static_cast<long>(stoppedAt), device.stream.end(), int16_t{8000}), 0);

    // A stop 2 ms after a tone's due time, before the audio thread took its cue: the tone still
    // sounds those 2 ms.
    const auto line4 = static_cast<uint32_t>(device.nowMs) + 1;
    device.Report(4, line4, 0.0, 43, 250);
    device.RunUntil(line4 + 2.0);
    device.voice.EndRunAt(4, line4 + 2.0);
    const size_t before = device.stream.size();
    device.RunUntil(device.nowMs + 200.0);
    const auto sounding = std::count_if(device.stream.begin() + static_cast<long>(before), device.stream.end(),
                                        [](int16_t v) { return v != 0; });
    EXPECT_NEAR(static_cast<double>(sounding), 2.0 * 44.1, 2.0);
}

TEST(SoundCardVoice, SilencedWhileAnotherVoiceSoundsItPlaysTheSameRunAgain) {
    // Switched away and back while playing: silent at once, and the run's next step sounds.
    FakeDevice device;
    device.Settle();
    const auto lineStart = static_cast<uint32_t>(device.nowMs);
    device.Report(1, lineStart, 0.0, 43, 250);
    device.RunUntil(device.nowMs + 100.0);
    device.voice.Silence();
    device.RunUntil(device.nowMs + 0.2);
    const size_t silencedAt = device.stream.size();
    device.RunUntil(device.nowMs + 200.0);
    for (size_t i = silencedAt; i < device.stream.size(); ++i)
        ASSERT_EQ(device.stream[i], 0) << "sample " << i << " after the switch";
    device.Report(1, lineStart, 400.0, 43, 30);
    device.RunUntil(lineStart + 700.0);
    EXPECT_EQ(device.Onsets().size(), 2u);
}

TEST(SoundCardVoice, AFullQueueDropsCuesAndCountsThem) {
    FakeDevice device;
    device.Settle();
    const auto lineStart = static_cast<uint32_t>(device.nowMs);
    for (int k = 0; k < 100; ++k) {
        ToneCue cue;
        cue.run = 1;
        cue.lineStartMs = lineStart;
        cue.dueAfterMs = k * 2.0;
        cue.note = 43;
        cue.lengthMs = 1;
        cue.sound = true;
        device.voice.PlayCue(cue);
    }
    EXPECT_EQ(device.voice.Counters().droppedCues, 36u);
    device.RunUntil(device.nowMs + 400.0);
    EXPECT_EQ(device.voice.Counters().tones, 64u);
}

TEST(SoundCardVoice, ALateCueStillEndsOnTimeAndIsCounted) {
    FakeDevice device;
    device.Settle();
    const auto lineStart = static_cast<uint32_t>(device.nowMs);
    device.Report(1, lineStart, 0.0, 43, 30);
    // Reported 80 ms after its due time: far past the latency.
    device.Report(1, lineStart, 50.0, 43, 60, 80.0);
    device.RunUntil(device.nowMs + 400.0);
    EXPECT_EQ(device.voice.Counters().lateTones, 1u);
    const std::vector<int64_t> onsets = device.Onsets(20);
    ASSERT_EQ(onsets.size(), 2u);
    int64_t lastSound = 0;
    for (size_t i = 0; i < device.stream.size(); ++i)
        if (device.stream[i] != 0) lastSound = static_cast<int64_t>(i);
    // It ends where it would have ended, 50 + 120 ms after the first tone's start.
    EXPECT_NEAR(static_cast<double>(lastSound + 1 - onsets[0]), 0.170 * 44100, 2.0);
}

class CountingOutput : public ToneOutput {
public:
    void PlayNote(int, int) override { ++notes; }
    void EndRun(uint32_t run) override { endedRuns.push_back(run); }
    void Silence() override { ++silenced; }
    int notes = 0;
    int silenced = 0;
    std::vector<uint32_t> endedRuns;
};

ToneCue Cue(uint32_t run, double dueAfter) {
    ToneCue cue;
    cue.run = run;
    cue.dueAfterMs = dueAfter;
    cue.note = 43;
    cue.lengthMs = 10;
    cue.sound = true;
    return cue;
}

TEST(ToneOutputSwitch, SwitchingSilencesTheOutputLeftWithoutEndingTheRun) {
    CountingOutput speaker, card;
    ToneOutputSwitch voices(speaker);
    voices.PlayCue(Cue(4, 0.0));
    voices.Use(card);
    voices.PlayCue(Cue(4, 119.0));
    EXPECT_EQ(speaker.notes, 1);
    EXPECT_EQ(card.notes, 1);
    EXPECT_EQ(speaker.silenced, 1);
    // Ending the run would make an output drop the run's later cues: back and forth while
    // playing, the first output would stay silent until the next start.
    EXPECT_TRUE(speaker.endedRuns.empty());
    voices.Use(card); // no change, nothing silenced
    EXPECT_EQ(card.silenced, 0);
    voices.EndRun(4);
    ASSERT_EQ(card.endedRuns.size(), 1u);
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
