#pragma once
// Sounds one note at a time on the PC speaker, synchronously: a call returns when the tone has
// ended. On the NT family it uses the system's Beep service; on the 9x family it programs counter
// 2 of the interval timer and the speaker gate directly.
#include <cstdint>

#include "tone/SpeakerHardware.h"

// I/O ports of the 8253/8254-compatible interval timer and the speaker gate.
inline constexpr uint16_t kTimerControlPort = 0x43;
inline constexpr uint16_t kCounter2Port = 0x42;
inline constexpr uint16_t kSpeakerPort = 0x61;
inline constexpr uint8_t kSpeakerOnBits = 0x03; // bit 0 counter 2 gate, bit 1 speaker data
// Counter 2, low byte then high byte, mode 3 (square wave), binary count.
inline constexpr uint8_t kCounter2SquareWave = 0xB6;
inline constexpr double kTimerInputClockHz = 1193181.6666666667;
// Beep cannot sound a rest; a frequency far above hearing stands in for it.
inline constexpr uint32_t kBeepRestFrequency = 32767;
// Duration that leaves a port-path tone sounding until a later call ends it.
inline constexpr int32_t kToneSustain = -1;

// Frequency in Hz of note 0..127: note 43 is 440 Hz, every 12 notes double it. Rounded to the
// nearest Hz, an exact half upward.
uint32_t NoteFrequency(int note);

// Count that makes counter 2 oscillate at `frequency` Hz (nearest whole divisor); 0 for 0 Hz.
uint16_t TimerDivisor(uint32_t frequency);

// Whether tones go through Beep. The "OS" variable is the customary switch, but on the NT family
// user code may never touch the ports (the instructions fault), so the real platform overrides a
// missing or altered variable.
bool ChooseBeepPath(const char* osVariable, bool ntFamily);

class SpeakerTone {
public:
    SpeakerTone(SpeakerHardware& hardware, bool useBeep);
    virtual ~SpeakerTone() = default;
    SpeakerTone(const SpeakerTone&) = delete;
    SpeakerTone& operator=(const SpeakerTone&) = delete;

    // Sounds `note` for twice `lengthMs` milliseconds.
    void PlayNote(int note, int lengthMs);

    // Sounds `frequency` Hz (0 = rest) for `durationMs`; kToneSustain leaves the port-path tone
    // on. A zero or negative duration never holds up the caller.
    void Tone(uint32_t frequency, int32_t durationMs);

    // Switches a sustained port-path tone off; harmless otherwise.
    void Silence();

    bool UsesBeep() const { return useBeep != 0; }

private:
    void ToneByBeep(uint32_t frequency, int32_t durationMs);
    void ToneByPorts(uint32_t frequency, int32_t durationMs);
    // Loads the divisor and opens the gate; returns the speaker port value found before.
    uint8_t StartPortTone(uint32_t frequency);
    void WaitProcessClock(int32_t durationMs);
    void StopPortTone(uint8_t speakerValue);

    SpeakerHardware& hardware;
    uint8_t useBeep = 0;
};
