#pragma once
// Which voice sounds the tones when the user has not chosen: the speaker where it can be heard,
// the sound card where it cannot (under Wine, Beep returns at once and nothing sounds); and when
// the program has to say that it cannot be heard at all.
#include <string>

struct VoiceMachine {
    bool underWine = false;     // ntdll exports wine_get_version
    bool speakerUsable = false; // a Beep service or the speaker ports are there
};

bool PreferSoundCard(const VoiceMachine& machine);

enum class Voice { Speaker, SoundCard };

// Why no tone can be heard, if none can.
enum class Silence {
    None,
    WineWithoutSoundCard,  // under Wine the speaker makes no sound, and the sound card did not open
    NoSpeakerNorSoundCard, // no Beep service on this Windows, and the sound card did not open
};
// wanted: the voice asked for (the user's stored choice, or the machine's); sounding: the one the
// tones go to. Silence is told only when the sound card was wanted and the speaker that plays in
// its place cannot be heard: a speaker the user chose is their choice, and the machine picks the
// speaker only where it can be heard.
Silence SilenceOf(const VoiceMachine& machine, Voice wanted, Voice sounding);
// The "NOTE!" box's text: what is wrong and what to do about it.
std::string SilenceNoteText(Silence why);

// The sound card was wanted but could not be opened (or failed while playing), so the speaker
// sounds instead. Raised by the tone side on any thread; the main window takes it on the UI
// thread and shows it once in its status line (a box follows only when SilenceOf says so).
void RaiseSoundCardFallbackNotice();
// The status-line text once after a fallback, then empty until the next one.
std::string TakeVoiceNotice();

inline constexpr char kSoundCardFallbackText[] = "Sound card not available: playing through the speaker";
