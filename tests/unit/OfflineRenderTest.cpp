#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "files/SettingsFile.h"
#include "playback/StepTiming.h"
#include "render/AudioFiles.h"
#include "render/OfflineRender.h"
#include "render/RenderCommandLine.h"

namespace {

// Every step on at note offset k (note 60 + k), length 64; every measure loops by itself.
SongDocument CraftedSetup(int steps = 4) {
    SongDocument doc;
    doc.tempo = 126.0;
    doc.stepsPerMeasure = steps;
    for (int m = 0; m < kMeasureCount; ++m) {
        doc.measures[m].next = static_cast<int16_t>(m);
        doc.measures[m].repeat = 1;
        for (int k = 0; k < kStepsPerMeasureMax; ++k) {
            Step& step = doc.measures[m].steps[k];
            step.on = 1;
            step.note = static_cast<int16_t>(10 * m + k);
            step.length = 64;
        }
    }
    return doc;
}

std::vector<int> Notes(const RenderSchedule& s) {
    std::vector<int> notes;
    for (const RenderedNote& n : s.notes)
        notes.push_back(n.note);
    return notes;
}

TEST(OfflineRender, OnePassFollowsLinksAndRepeatsUntilTheChainComesBack) {
    SongDocument doc = CraftedSetup(2);
    doc.measures[0].next = 1;
    doc.measures[0].repeat = 2;
    doc.measures[1].next = 2;
    doc.measures[2].next = 1; // 0 is a lead-in: the loop is 1, 2
    const RenderSchedule one = ScheduleRender(doc, {});
    EXPECT_EQ(Notes(one), (std::vector<int>{60, 61, 60, 61, 70, 71, 80, 81}));
    EXPECT_EQ(one.passes, 1);
    const double stepMs = StepDurationMs(126.0);
    for (size_t k = 0; k < one.notes.size(); ++k)
        EXPECT_DOUBLE_EQ(one.notes[k].startMs, k * stepMs) << k;
    EXPECT_DOUBLE_EQ(one.endMs, 8 * stepMs);

    // Further passes go round the loop from where the chain came back.
    SongDocument again = CraftedSetup(2);
    again.measures[0].next = 1;
    again.measures[0].repeat = 2;
    again.measures[1].next = 2;
    again.measures[2].next = 1;
    RenderLimits three;
    three.passes = 3;
    const RenderSchedule s = ScheduleRender(again, three);
    EXPECT_EQ(Notes(s), (std::vector<int>{60, 61, 60, 61, 70, 71, 80, 81, 70, 71, 80, 81, 70, 71, 80, 81}));
    EXPECT_DOUBLE_EQ(s.endMs, 16 * stepMs);
}

TEST(OfflineRender, StartMeasureMuteOffStepsAndLengths) {
    SongDocument doc = CraftedSetup(4);
    doc.measures[3].steps[1].on = 0;
    doc.measures[3].steps[2].length = 0;   // a zero-length tone sounds nothing
    doc.measures[3].steps[3].length = 127; // the longest: 53 x 2 ms at 126 BPM
    RenderLimits limits;
    limits.startMeasure = 3;
    const RenderSchedule s = ScheduleRender(doc, limits);
    ASSERT_EQ(Notes(s), (std::vector<int>{90, 93}));
    EXPECT_DOUBLE_EQ(s.notes[1].startMs, 3 * StepDurationMs(126.0));
    EXPECT_DOUBLE_EQ(s.notes[1].lengthMs, 106.0);
    EXPECT_DOUBLE_EQ(s.notes[0].lengthMs, 2.0 * ToneLengthMs(126.0, 64));
    EXPECT_DOUBLE_EQ(s.endMs, 4 * StepDurationMs(126.0));

    SongDocument muted = CraftedSetup(4);
    muted.mute = 1;
    const RenderSchedule quiet = ScheduleRender(muted, {});
    EXPECT_TRUE(quiet.notes.empty());
    EXPECT_DOUBLE_EQ(quiet.endMs, 4 * StepDurationMs(126.0)); // the steps still take their time
}

TEST(OfflineRender, SecondsAndTheCapEndTheRenderExactly) {
    SongDocument doc = CraftedSetup(16);
    RenderLimits limits;
    limits.seconds = 1.0;
    limits.capSeconds = 1.0;
    const RenderSchedule s = ScheduleRender(doc, limits);
    EXPECT_DOUBLE_EQ(s.endMs, 1000.0);
    EXPECT_EQ(s.notes.size(), 9u); // steps 0..8 begin before one second
    EXPECT_FALSE(s.capped);

    // A pass longer than the cap (16 steps at 1 BPM: 4 minutes) stops at the cap and says so.
    SongDocument slow = CraftedSetup(16);
    slow.tempo = 1.0;
    RenderLimits capped;
    capped.capSeconds = 60.0;
    const RenderSchedule c = ScheduleRender(slow, capped);
    EXPECT_TRUE(c.capped);
    EXPECT_DOUBLE_EQ(c.endMs, 60000.0);
    EXPECT_EQ(c.notes.size(), 5u); // 15 s a step
}

TEST(OfflineRender, TempoExtremesKeepTheEnginesDueTimes) {
    for (double tempo : {30.0, 126.0, 1000.0}) {
        SongDocument doc = CraftedSetup(16);
        doc.tempo = tempo;
        const RenderSchedule s = ScheduleRender(doc, {});
        const double stepMs = StepDurationMs(tempo);
        ASSERT_EQ(s.notes.size(), 16u) << tempo;
        for (size_t k = 0; k < s.notes.size(); ++k)
            EXPECT_NEAR(s.notes[k].startMs, k * stepMs, 1e-9) << tempo;
    }
    // From 1500 BPM the tone length comes out 0: steps pass in silence and the pass still ends.
    SongDocument fast = CraftedSetup(16);
    fast.tempo = 3000.0;
    const RenderSchedule s = ScheduleRender(fast, {});
    EXPECT_TRUE(s.notes.empty());
    EXPECT_NEAR(s.endMs, 16 * StepDurationMs(3000.0), 1e-9);
}

TEST(RenderFiles, WavHeaderDescribesSixteenBitMono) {
    const std::vector<uint8_t> h = WavHeader(44100, 1000);
    ASSERT_EQ(h.size(), 44u);
    EXPECT_EQ(std::memcmp(h.data(), "RIFF", 4), 0);
    EXPECT_EQ(h[4] | h[5] << 8 | h[6] << 16 | h[7] << 24, 36 + 2000);
    EXPECT_EQ(std::memcmp(h.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(h[20], 1); // PCM
    EXPECT_EQ(h[22], 1); // mono
    EXPECT_EQ(h[24] | h[25] << 8 | h[26] << 16, 44100);
    EXPECT_EQ(h[28] | h[29] << 8 | h[30] << 16, 88200);
    EXPECT_EQ(h[34], 16);
    EXPECT_EQ(std::memcmp(h.data() + 36, "data", 4), 0);
    EXPECT_EQ(h[40] | h[41] << 8, 2000);
}

TEST(RenderFiles, MidiKeysVelocitiesAndBytes) {
    EXPECT_EQ(MidiKey(43), 69); // 440 Hz
    EXPECT_EQ(MidiKey(101), 127);
    EXPECT_EQ(MidiKey(102), 116); // an octave down
    EXPECT_EQ(MidiKey(127), 117); // 153, three octaves down
    EXPECT_EQ(MidiVelocity(0), 64);
    EXPECT_EQ(MidiVelocity(127), 127);

    RenderSchedule s;
    s.tempo = 120.0;
    s.notes = {{0.0, 100.0, 43, 127}};
    s.endMs = 125.0;
    const std::vector<uint8_t> bytes = MidiFileBytes(s);
    const std::vector<uint8_t> expected = {
        'M', 'T',  'h',  'd', 0, 0, 0,  6, 0,    0,    0, 1,    0x01, 0xE0, 'M',
        'T', 'r',  'k',  0,   0, 0, 19, 0, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20, // 500,000 us per quarter
        0,   0x90, 69,   127,                                               // note on at 0
        96,  0x80, 69,   0,                                                 // off at 100 ms: 96 ticks
        24,  0xFF, 0x2F, 0};                                                // end at 125 ms
    EXPECT_EQ(bytes, expected);
}

TEST(RenderSetupFile, ForeignAndShortFilesAreTold) {
    SongDocument doc = CraftedSetup();
    std::vector<uint8_t> bytes = EncodeSettings(doc, 0, 0, 0);
    EXPECT_EQ(ForeignSettingsReason(bytes), "");
    std::vector<uint8_t> text(2000, 'x');
    EXPECT_NE(ForeignSettingsReason(text), "");
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_NE(ForeignSettingsReason(longer), "");
    EXPECT_NE(ForeignSettingsReason({1, 2}), "");
    // Cut short: the version is fine, the reader finds the end too soon.
    SettingsData data;
    EXPECT_FALSE(DecodeSettings(bytes.data(), 1000, data));
}

TEST(RenderCommandLine, ValuesAreCheckedWhereTheyEnter) {
    RenderOptions o;
    std::string error;
    ASSERT_TRUE(
        ParseRenderArguments({"a.kb", "out.wav", "--rate", "48000", "--start-measure", "3"}, o, error));
    EXPECT_EQ(o.sampleRate, 48000);
    EXPECT_EQ(o.limits.startMeasure, 2);
    EXPECT_DOUBLE_EQ(o.limits.capSeconds, 600.0);
    RenderOptions m;
    ASSERT_TRUE(ParseRenderArguments({"a.kb", "--midi", "x.mid", "--seconds", "2.5"}, m, error));
    EXPECT_TRUE(m.wavPath.empty());
    EXPECT_DOUBLE_EQ(m.limits.seconds, 2.5);
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"a.kb"},
             {"a.kb", "o.wav", "--passes", "0"},
             {"a.kb", "o.wav", "--passes", "2", "--seconds", "3"},
             {"a.kb", "o.wav", "--rate", "100"},
             {"a.kb", "o.wav", "--start-measure", "9"},
             {"a.kb", "o.wav", "--seconds", "nan"},
             {"a.kb", "o.wav", "--rate"},
             {"a.kb", "o.wav", "--loud", "1"},
         }) {
        RenderOptions r;
        EXPECT_FALSE(ParseRenderArguments(bad, r, error)) << bad.back();
    }
}

} // namespace
