#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tone/SpeakerTone.h"

namespace {

// Records every port access and Beep call; the process clock advances one millisecond per read.
class RecordingHardware : public SpeakerHardware {
public:
    uint8_t ReadPort(uint16_t port) override {
        log.push_back("in " + Hex(port));
        return speakerValue;
    }
    void WritePort(uint16_t port, uint8_t value) override {
        log.push_back("out " + Hex(port) + " " + Hex(value));
    }
    void SystemBeep(uint32_t frequency, uint32_t durationMs) override {
        log.push_back("beep " + std::to_string(frequency) + " " + std::to_string(durationMs));
    }
    int64_t ProcessClockMs() override {
        readings.push_back(clock);
        return clock++;
    }

    static std::string Hex(unsigned v) {
        char text[8];
        snprintf(text, sizeof text, "%02X", v);
        return text;
    }

    std::vector<std::string> log;
    std::vector<int64_t> readings;
    uint8_t speakerValue = 0x30; // other bits of port 0x61 that must survive
    int64_t clock = 1000;
};

} // namespace

TEST(NoteFrequency, FollowsTheTwelveToneScaleFromNoteZero) {
    EXPECT_EQ(NoteFrequency(43), 440u);
    EXPECT_EQ(NoteFrequency(60), 1175u);
    EXPECT_EQ(NoteFrequency(1), 39u);
    EXPECT_EQ(NoteFrequency(127), 56320u);
    EXPECT_EQ(NoteFrequency(55), 880u);
}

TEST(TimerDivisor, IsTheNearestWholeDivisorAndFitsSixteenBits) {
    EXPECT_EQ(TimerDivisor(440), 2712);
    EXPECT_EQ(TimerDivisor(1175), 1015);
    EXPECT_EQ(TimerDivisor(39), 30594);
    EXPECT_EQ(TimerDivisor(56320), 21);
    for (int note = 1; note <= 127; ++note) {
        const uint32_t divisor = TimerDivisor(NoteFrequency(note));
        EXPECT_GT(divisor, 0u) << note;
        EXPECT_LE(divisor, 65535u) << note;
    }
}

TEST(ChooseBeepPath, TheEnvironmentDecidesOnlyOffTheNtFamily) {
    EXPECT_TRUE(ChooseBeepPath("Windows_NT", false));
    EXPECT_FALSE(ChooseBeepPath("windows_nt", false));
    EXPECT_FALSE(ChooseBeepPath(nullptr, false));
    EXPECT_FALSE(ChooseBeepPath("Windows_NT ", false));
    // On NT the ports are out of bounds for user code, whatever the variable says.
    EXPECT_TRUE(ChooseBeepPath(nullptr, true));
    EXPECT_TRUE(ChooseBeepPath("windows_nt", true));
}

TEST(SpeakerToneBeep, DoublesTheLengthAndStandsInForRests) {
    RecordingHardware hw;
    SpeakerTone tone(hw, true);
    tone.PlayNote(43, 50);
    tone.Tone(0, 100);
    tone.Tone(56320, 10); // above Beep's range: passed on unchanged
    EXPECT_EQ(hw.log, (std::vector<std::string>{"beep 440 100", "beep 32767 100", "beep 56320 10"}));
}

TEST(SpeakerToneBeep, NonPositiveLengthsNeverBlockAndNeverTouchPorts) {
    RecordingHardware hw;
    SpeakerTone tone(hw, true);
    tone.PlayNote(60, 0);
    tone.PlayNote(60, -3);
    tone.Tone(440, kToneSustain);
    tone.Silence();
    EXPECT_TRUE(hw.log.empty());
}

TEST(SpeakerTonePorts, PlayNoteProgramsCounterTwoAndGatesTheSpeaker) {
    RecordingHardware hw;
    SpeakerTone tone(hw, false);
    tone.PlayNote(60, 12);
    // Divisor 1015 = 0x03F7, low byte first; the gate value keeps the other bits of port 0x61.
    const std::vector<std::string> head{"out 43 B6", "out 42 F7", "out 42 03", "in 61", "out 61 33"};
    ASSERT_GE(hw.log.size(), head.size() + 1);
    EXPECT_EQ(std::vector<std::string>(hw.log.begin(), hw.log.begin() + 5), head);
    EXPECT_EQ(hw.log.back(), "out 61 30");
    ASSERT_FALSE(hw.readings.empty());
    EXPECT_EQ(hw.readings.back() - hw.readings.front(), 24); // twice the length, busy-waited
    EXPECT_EQ(hw.log.size(), head.size() + 1);               // nothing between gate on and gate off
}

TEST(SpeakerTonePorts, RestWaitsThenClearsOnlyTheGateBits) {
    RecordingHardware hw;
    hw.speakerValue = 0x33; // left on by a sustained tone
    SpeakerTone tone(hw, false);
    const int64_t before = hw.clock;
    tone.Tone(0, 100);
    EXPECT_GE(hw.clock - before, 100);
    EXPECT_EQ(hw.log, (std::vector<std::string>{"in 61", "out 61 30"}));
}

TEST(SpeakerTonePorts, ZeroLengthSwitchesOnAndOffAtOnceAndSustainLeavesItOn) {
    RecordingHardware hw;
    SpeakerTone tone(hw, false);
    const int64_t before = hw.clock;
    tone.Tone(440, 0);
    EXPECT_EQ(hw.clock, before); // no clock reading, so no wait
    EXPECT_EQ(hw.log.back(), "out 61 30");

    hw.log.clear();
    tone.Tone(440, kToneSustain);
    EXPECT_EQ(hw.log.back(), "out 61 33");
    tone.Silence();
    EXPECT_EQ(hw.log.back(), "out 61 30");

    hw.log.clear();
    tone.PlayNote(43, -5); // a negative length is silence, not a sustained tone
    EXPECT_EQ(hw.log.back(), "out 61 30");
}
