#include "tone/VoiceChoice.h"

#include <atomic>

namespace {

std::atomic<bool> fallbackNotice{false};

} // namespace

bool PreferSoundCard(const VoiceMachine& machine) { return machine.underWine || !machine.speakerUsable; }

Silence SilenceOf(const VoiceMachine& machine, Voice wanted, Voice sounding) {
    if (sounding == Voice::SoundCard || wanted == Voice::Speaker) return Silence::None;
    if (machine.underWine) return Silence::WineWithoutSoundCard;
    if (!machine.speakerUsable) return Silence::NoSpeakerNorSoundCard;
    return Silence::None; // the speaker of a Windows machine sounds in its place
}

std::string SilenceNoteText(Silence why) {
    switch (why) {
    case Silence::None: return {};
    case Silence::WineWithoutSoundCard:
        return "Kestrelbox cannot be heard.\n\n"
               "Under Wine the PC speaker makes no sound, so Kestrelbox plays through the sound card, "
               "and the sound card could not be opened: most likely no sound server is running.\n\n"
               "Start one (PulseAudio, or PipeWire with its PulseAudio service) and start Kestrelbox "
               "again. Meanwhile Export WAV... in the FILE menu saves what it would play.";
    case Silence::NoSpeakerNorSoundCard:
        return "Kestrelbox cannot be heard.\n\n"
               "This Windows has no PC speaker service (Beep), and the sound card could not be "
               "opened.\n\n"
               "Connect or turn on a sound device and start Kestrelbox again. Meanwhile Export WAV... "
               "in the FILE menu saves what it would play.";
    }
    return {};
}

void RaiseSoundCardFallbackNotice() { fallbackNotice.store(true, std::memory_order_release); }

std::string TakeVoiceNotice() {
    return fallbackNotice.exchange(false, std::memory_order_acq_rel) ? kSoundCardFallbackText : "";
}
