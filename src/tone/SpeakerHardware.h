#pragma once
// What the speaker driver needs of the machine: the interval timer's and speaker gate's I/O
// ports, the system's Beep service and the runtime's process clock. One Win32 implementation;
// tests record the calls.
#include <cstdint>

class SpeakerHardware {
public:
    virtual ~SpeakerHardware() = default;
    virtual uint8_t ReadPort(uint16_t port) = 0;
    virtual void WritePort(uint16_t port, uint8_t value) = 0;
    // Returns when the sound is over.
    virtual void SystemBeep(uint32_t frequency, uint32_t durationMs) = 0;
    // Milliseconds since the process started, with the system clock's granularity.
    virtual int64_t ProcessClockMs() = 0;
};
