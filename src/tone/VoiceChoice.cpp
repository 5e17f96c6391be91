#include "tone/VoiceChoice.h"

#include <atomic>

namespace {

std::atomic<bool> fallbackNotice{false};

} // namespace

bool PreferSoundCard(const VoiceMachine& machine) { return machine.underWine || !machine.speakerUsable; }

void RaiseSoundCardFallbackNotice() { fallbackNotice.store(true, std::memory_order_release); }

std::string TakeVoiceNotice() {
    return fallbackNotice.exchange(false, std::memory_order_acq_rel) ? kSoundCardFallbackText : "";
}
