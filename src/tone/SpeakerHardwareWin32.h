#pragma once
// The speaker driver's machine access on Windows, and the process-wide SpeakerTone built on it.
#include "tone/SpeakerHardware.h"
#include "tone/SpeakerTone.h"

class SpeakerHardwareWin32 : public SpeakerHardware {
public:
    uint8_t ReadPort(uint16_t port) override;
    void WritePort(uint16_t port, uint8_t value) override;
    void SystemBeep(uint32_t frequency, uint32_t durationMs) override;
    int64_t ProcessClockMs() override;
};

// The one speaker of the process. Built on first use; at exit it pauses half a second and makes
// sure no port-path tone is left sounding.
SpeakerTone& TheSpeakerTone();
