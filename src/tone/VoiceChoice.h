#pragma once
// Which voice sounds the tones when the user has not chosen: the speaker where it can be heard,
// the sound card where it cannot (under Wine, Beep returns at once and nothing sounds).
#include <string>

struct VoiceMachine {
    bool underWine = false;     // ntdll exports wine_get_version
    bool speakerUsable = false; // a Beep service or the speaker ports are there
};

bool PreferSoundCard(const VoiceMachine& machine);

// The sound card was wanted but could not be opened (or failed while playing), so the speaker
// sounds instead. Raised by the tone side on any thread; the main window takes it on the UI
// thread and shows it once in its status line, never in a dialog.
void RaiseSoundCardFallbackNotice();
// The status-line text once after a fallback, then empty until the next one.
std::string TakeVoiceNotice();

inline constexpr char kSoundCardFallbackText[] = "Sound card not available: playing through the speaker";
