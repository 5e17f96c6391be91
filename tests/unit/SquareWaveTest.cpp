#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tone/SpeakerTone.h"
#include "tone/SquareWave.h"

namespace {

constexpr int16_t kAmplitude = 8000;

std::vector<int16_t> RenderAll(SquareSynth& synth, size_t count, size_t block = 4096) {
    std::vector<int16_t> out(count);
    for (size_t done = 0; done < count; done += block)
        synth.Render(out.data() + done, std::min(block, count - done));
    return out;
}

std::vector<int16_t> OneTone(double frequency, int64_t start, int64_t length, int rate, size_t total) {
    SquareSynth synth({rate, kAmplitude});
    synth.Add({start, length, frequency});
    return RenderAll(synth, total);
}

// Rising edges (low or silent to high) in [from, to).
std::vector<int64_t> RisingEdges(const std::vector<int16_t>& s, int64_t from, int64_t to) {
    std::vector<int64_t> edges;
    for (int64_t i = std::max<int64_t>(from, 1); i < to; ++i)
        if (s[i] > 0 && s[i - 1] <= 0) edges.push_back(i);
    return edges;
}

TEST(SquareWave, FrequencyIsTheSpeakersTimerClockOverTheDivisor) {
    EXPECT_NEAR(SpeakerFrequencyHz(43), kTimerInputClockHz / 2712, 1e-9);
    EXPECT_NEAR(SpeakerFrequencyHz(60), kTimerInputClockHz / 1015, 1e-9);
    EXPECT_NEAR(SpeakerFrequencyHz(1), kTimerInputClockHz / 30594, 1e-9);
    EXPECT_EQ(SpeakerFrequencyHz(0), SpeakerFrequencyHz(1)); // held to the engine's range
}

TEST(SquareWave, ZeroCrossingsGiveTheNoteWithinTwoTenthsOfAPercent) {
    for (int rate : {44100, 48000, 22050}) {
        for (int note : {1, 20, 43, 60, 77, 90, 100}) {
            const double f = SpeakerFrequencyHz(note);
            if (f * 2.0 >= rate) continue;
            const std::vector<int16_t> s = OneTone(f, 0, rate, rate, rate); // one second
            const std::vector<int64_t> edges = RisingEdges(s, 0, rate);
            ASSERT_GE(edges.size(), 2u) << note;
            const double measured = static_cast<double>(edges.size() - 1) * rate /
                                    static_cast<double>(edges.back() - edges.front());
            EXPECT_NEAR(measured, f, f * 0.002) << "note " << note << " at " << rate << " Hz";
        }
    }
}

TEST(SquareWave, ATonesEdgesLandOnItsExactSamples) {
    // 1000.5 samples into a 441-sample tone: silence right up to the start, the high half at it,
    // and silence again from the first sample after its length.
    const std::vector<int16_t> s = OneTone(SpeakerFrequencyHz(60), 1000, 441, 44100, 2000);
    EXPECT_EQ(s[999], 0);
    EXPECT_EQ(s[1000], kAmplitude);
    EXPECT_NE(s[1440], 0);
    EXPECT_EQ(s[1441], 0);
    for (int16_t v : s)
        EXPECT_TRUE(v == 0 || v == kAmplitude || v == -kAmplitude);
}

TEST(SquareWave, NoToneLeavesAnOffsetBehind) {
    // Lengths that end anywhere in a cycle, for low and high notes. A tone cut off after the high
    // half of a 39 Hz cycle would leave up to 565 samples of offset, and edges all rounded the
    // same way one sample per cycle (at note 95, 4.7-sample halves, a ninth of the amplitude).
    for (int note : {1, 30, 43, 60, 95}) {
        const double f = SpeakerFrequencyHz(note);
        for (int64_t length : {1, 2, 37, 441, 1000, 1765, 4410, 4413}) {
            const std::vector<int16_t> s = OneTone(f, 100, length, 44100, 100 + length + 50);
            int64_t sum = 0;
            for (int16_t v : s)
                sum += v;
            EXPECT_LE(std::llabs(sum), 2 * kAmplitude) << "note " << note << " length " << length;
        }
    }
}

TEST(SquareWave, BlocksOfAnySizeRenderTheSameStream) {
    auto render = [](size_t block) {
        SquareSynth synth({44100, kAmplitude});
        synth.Add({17, 3000, SpeakerFrequencyHz(50)});
        synth.Add({5000, 2500, SpeakerFrequencyHz(70)});
        synth.Add({9001, 1234, SpeakerFrequencyHz(20)});
        return RenderAll(synth, 12000, block);
    };
    const std::vector<int16_t> whole = render(12000);
    for (size_t block : {1, 7, 256, 4096})
        EXPECT_EQ(render(block), whole) << "blocks of " << block;
}

TEST(SquareWave, OneToneAtATime) {
    SquareSynth synth({44100, kAmplitude});
    synth.Add({0, 2000, SpeakerFrequencyHz(43)});
    synth.Add({1000, 500, SpeakerFrequencyHz(79)}); // cuts the first at 1000
    std::vector<int16_t> s = RenderAll(synth, 1200);
    // The second tone starts afresh with its high half exactly at 1000.
    EXPECT_EQ(s[1000], kAmplitude);
    const double second = SpeakerFrequencyHz(79);
    EXPECT_EQ(s[1000 + static_cast<int>(44100 / (2 * second)) + 1], -kAmplitude);

    // A cut silences from its sample; a start already rendered begins at the next sample to
    // render and keeps its end.
    synth.CutAt(1300);
    std::vector<int16_t> rest = RenderAll(synth, 300);
    EXPECT_NE(rest[99], 0);
    EXPECT_EQ(rest[100], 0);
    synth.Add({1400, 300, SpeakerFrequencyHz(43)}); // position is 1500 now
    rest = RenderAll(synth, 300);
    EXPECT_NE(rest[0], 0);
    EXPECT_NE(rest[199], 0);
    EXPECT_EQ(rest[200], 0);
    EXPECT_TRUE(synth.Idle());
}

TEST(SquareWave, NotesAboveHalfTheSampleRateAreSilent) {
    const std::vector<int16_t> s = OneTone(SpeakerFrequencyHz(127), 0, 4410, 44100, 4410);
    for (int16_t v : s)
        ASSERT_EQ(v, 0);
}

} // namespace
