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

void SpeakerHardwareWin32::WritePort(uint16_t port, uint8_t value) {
    __outbyte(port, value);
    if (port == kSpeakerPort) lastSoundMs.store(GetTickCount64());
}

void SpeakerHardwareWin32::SystemBeep(uint32_t frequency, uint32_t durationMs) {
    Beep(frequency, durationMs);
    lastSoundMs.store(GetTickCount64());
}

uint64_t SpeakerHardwareWin32::MsSinceLastSound() const {
    const uint64_t last = lastSoundMs.load();
    return last == 0 ? kNeverSounded : GetTickCount64() - last;
}

int64_t SpeakerHardwareWin32::ProcessClockMs() {
    return static_cast<int64_t>(clock()) * 1000 / CLOCKS_PER_SEC;
}

namespace {

constexpr uint64_t kExitPauseMs = 500;

class ProcessSpeaker {
public:
    ProcessSpeaker() : tone(hardware, ChooseBeepPath(std::getenv("OS"), IsNtFamily())) {}
    // The last tone is given half a second after it ended before the process goes, so the
    // sound system plays it out to its end (a Beep returns when its tone is handed over, not
    // when it has been heard). A speaker that has been silent that long, or never sounded (the
    // sound card played, or nothing did), keeps nobody waiting at exit.
    ~ProcessSpeaker() {
        const uint64_t silentMs = hardware.MsSinceLastSound();
        if (silentMs < kExitPauseMs) Sleep(static_cast<DWORD>(kExitPauseMs - silentMs));
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
