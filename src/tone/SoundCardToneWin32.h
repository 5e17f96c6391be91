#pragma once
// The sound-card voice on Windows: a waveOut device fed by an audio thread of its own from a
// ring of short buffers, the device's played-sample position read at every wake, and the machine
// facts that choose the voice at start-up.
//
// Thread-safety: the tone calls come from the engine's threads and never wait; Open and the
// destructor run on the UI thread. If the device cannot be opened, or fails while playing (its
// buffers are refused or stop coming back), the tones go to the fallback output from then on and
// the fallback notice is raised for the status line. Closing does not wait for the device: the
// audio thread lets go of the voice and the clock first (a few microseconds at most), then closes
// the device on its own, however long the driver takes.
#include <memory>

#include "playback/EngineSeams.h"
#include "tone/SoundCardVoice.h"

class SoundCardToneWin32 : public ToneOutput {
public:
    // `clock` is the engine's step clock; both it and the fallback must outlive this object.
    SoundCardToneWin32(StepTimer& clock, ToneOutput& fallback, const VoiceSetup& setup = VoiceSetup{});
    ~SoundCardToneWin32() override;
    SoundCardToneWin32(const SoundCardToneWin32&) = delete;
    SoundCardToneWin32& operator=(const SoundCardToneWin32&) = delete;

    // Opens the default device and starts the audio thread; false when there is none to open.
    bool Open();
    bool Working() const;

    void PlayNote(int note, int lengthMs) override;
    void PlayCue(const ToneCue& cue) override;
    void EndRun(uint32_t run) override;
    void Silence() override;

    VoiceCounters Counters() const { return voice.Counters(); }
    const VoiceSetup& Setup() const { return voice.Setup(); }

private:
    struct Device;
    ToneOutput& Sounding();

    SoundCardVoice voice;
    StepTimer& clock;
    ToneOutput& fallback;
    std::shared_ptr<Device> device; // shared with the audio thread, which may outlive the close
};

// True when the program runs under Wine: its ntdll exports wine_get_version.
bool RunningUnderWine();
// True when the speaker can sound: the port path (9x family), or a Beep service that exists.
bool SpeakerPathUsable();
