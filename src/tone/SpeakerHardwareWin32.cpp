#include "tone/SpeakerHardwareWin32.h"

#include <windows.h>

#include <intrin.h>

#include <cstdlib>
#include <ctime>

#include "common/SystemWin32.h"

uint8_t SpeakerHardwareWin32::ReadPort(uint16_t port) {
    // Only reached on the 9x family (SpeakerTone never takes the port path on NT).
    return __inbyte(port);
}

void SpeakerHardwareWin32::WritePort(uint16_t port, uint8_t value) { __outbyte(port, value); }

void SpeakerHardwareWin32::SystemBeep(uint32_t frequency, uint32_t durationMs) {
    Beep(frequency, durationMs);
}

int64_t SpeakerHardwareWin32::ProcessClockMs() {
    return static_cast<int64_t>(clock()) * 1000 / CLOCKS_PER_SEC;
}

namespace {

class ProcessSpeaker {
public:
    ProcessSpeaker() : tone(hardware, ChooseBeepPath(std::getenv("OS"), IsNtFamily())) {}
    ~ProcessSpeaker() {
        Sleep(500);
        tone.Silence();
    }
    ProcessSpeaker(const ProcessSpeaker&) = delete;
    ProcessSpeaker& operator=(const ProcessSpeaker&) = delete;

    SpeakerHardwareWin32 hardware;
    SpeakerTone tone;
};

} // namespace

SpeakerTone& TheSpeakerTone() {
    static ProcessSpeaker speaker;
    return speaker.tone;
}
