#pragma once
// The speaker driver's machine access on Windows, and the process-wide SpeakerTone built on it.
#include <atomic>
#include <cstdint>

#include "tone/SpeakerHardware.h"
#include "tone/SpeakerTone.h"

class SpeakerHardwareWin32 : public SpeakerHardware {
public:
    uint8_t ReadPort(uint16_t port) override;
    void WritePort(uint16_t port, uint8_t value) override;
    void SystemBeep(uint32_t frequency, uint32_t durationMs) override;
    int64_t ProcessClockMs() override;

    // Milliseconds since a tone last went to the speaker (port gate or Beep); kNeverSounded
    // when none ever did. Any thread.
    static constexpr uint64_t kNeverSounded = ~uint64_t{0};
    uint64_t MsSinceLastSound() const;

private:
    std::atomic<uint64_t> lastSoundMs{0}; // tick count at the last tone, 0 for never
};

// The one speaker of the process. Built on first use; at exit it lets a tone that ended less than
// half a second before play out for the rest of that half second, and makes sure no port-path
// tone is left sounding.
SpeakerTone& TheSpeakerTone();
