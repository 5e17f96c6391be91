#include "tone/SpeakerTone.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double kNoteZeroHz = static_cast<double>(36.7081f);
constexpr double kSemitone = 1.0594630943592953;

// Truncates and adds 1 when the dropped fraction is one half or more.
int64_t RoundHalfUp(double x) {
    const int64_t whole = static_cast<int64_t>(x);
    return (x - static_cast<double>(whole) >= 0.5) ? whole + 1 : whole;
}

int32_t DoubledLength(int lengthMs) {
    const int64_t doubled = 2 * static_cast<int64_t>(lengthMs);
    if (doubled > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (doubled < 0) return 0; // a negative length is silence, never a sustained tone
    return static_cast<int32_t>(doubled);
}

} // namespace

uint32_t NoteFrequency(int note) {
    return static_cast<uint32_t>(RoundHalfUp(kNoteZeroHz * std::pow(kSemitone, note)));
}

uint16_t TimerDivisor(uint32_t frequency) {
    if (frequency == 0) return 0;
    const double divisor = std::floor(kTimerInputClockHz / frequency + 0.5);
    return divisor > 65535.0 ? 65535 : static_cast<uint16_t>(divisor);
}

bool ChooseBeepPath(const char* osVariable, bool ntFamily) {
    if (ntFamily) return true;
    return osVariable != nullptr && std::strcmp(osVariable, "Windows_NT") == 0;
}

SpeakerTone::SpeakerTone(SpeakerHardware& speaker, bool beep) : hardware(speaker), useBeep(beep ? 1 : 0) {}

void SpeakerTone::PlayNote(int note, int lengthMs) { Tone(NoteFrequency(note), DoubledLength(lengthMs)); }

void SpeakerTone::Tone(uint32_t frequency, int32_t durationMs) {
    if (UsesBeep())
        ToneByBeep(frequency, durationMs);
    else
        ToneByPorts(frequency, durationMs);
}

void SpeakerTone::Silence() {
    if (!UsesBeep()) StopPortTone(hardware.ReadPort(kSpeakerPort));
}

void SpeakerTone::ToneByBeep(uint32_t frequency, int32_t durationMs) {
    // Beep has no "keep sounding"; a non-positive length (also the sustain marker) would at best
    // block for an undefined time, so nothing is played and the caller goes on at once.
    if (durationMs <= 0) return;
    hardware.SystemBeep(frequency == 0 ? kBeepRestFrequency : frequency, static_cast<uint32_t>(durationMs));
}

void SpeakerTone::ToneByPorts(uint32_t frequency, int32_t durationMs) {
    // A rest loads no divisor; the gate value is read at the end so only bits 0 and 1 change.
    const bool sounding = frequency != 0;
    const uint8_t before = sounding ? StartPortTone(frequency) : 0;
    if (durationMs == kToneSustain) return;
    WaitProcessClock(durationMs);
    StopPortTone(sounding ? before : hardware.ReadPort(kSpeakerPort));
}

uint8_t SpeakerTone::StartPortTone(uint32_t frequency) {
    const uint16_t divisor = TimerDivisor(frequency);
    hardware.WritePort(kTimerControlPort, kCounter2SquareWave);
    hardware.WritePort(kCounter2Port, static_cast<uint8_t>(divisor & 0xFF));
    hardware.WritePort(kCounter2Port, static_cast<uint8_t>(divisor >> 8));
    const uint8_t before = hardware.ReadPort(kSpeakerPort);
    hardware.WritePort(kSpeakerPort, static_cast<uint8_t>(before | kSpeakerOnBits));
    return before;
}

void SpeakerTone::WaitProcessClock(int32_t durationMs) {
    if (durationMs <= 0) return;
    // A busy wait, not a sleep: the tone should end as close to its length as the clock allows.
    const int64_t end = hardware.ProcessClockMs() + durationMs;
    while (hardware.ProcessClockMs() < end) {
    }
}

void SpeakerTone::StopPortTone(uint8_t speakerValue) {
    hardware.WritePort(kSpeakerPort, static_cast<uint8_t>(speakerValue & ~kSpeakerOnBits));
}
