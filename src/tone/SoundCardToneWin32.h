#pragma once
// The sound-card voice on Windows: a waveOut device fed by an audio thread of its own from a
// ring of a few short buffers, and the machine facts that choose the voice at start-up.
//
// Thread-safety: the tone calls come from the engine's threads and never wait; Open and the
// destructor run on the UI thread. If the device cannot be opened, or fails while playing (its
// buffers are refused or stop coming back), the tones go to the fallback output from then on and
// the fallback notice is raised for the status line.
#include <atomic>
#include <memory>

#include "playback/EngineSeams.h"
#include "tone/SoundCardVoice.h"

class SoundCardToneWin32 : public ToneOutput {
public:
    // `clock` is the engine's step clock; both outputs must outlive this one.
    SoundCardToneWin32(StepTimer& clock, ToneOutput& fallback, const VoiceSetup& setup = VoiceSetup{});
    // Stops the audio thread and closes the device; gives up waiting after two seconds.
    ~SoundCardToneWin32() override;
    SoundCardToneWin32(const SoundCardToneWin32&) = delete;
    SoundCardToneWin32& operator=(const SoundCardToneWin32&) = delete;

    // Opens the default device and starts the audio thread; false when there is none to open.
    bool Open();
    bool Working() const;

    void PlayNote(int note, int lengthMs) override;
    void PlayCue(const ToneCue& cue) override;
    void EndRun(uint32_t run) override;

    VoiceCounters Counters() const { return voice_.Counters(); }
    const VoiceSetup& Setup() const { return voice_.Setup(); }

private:
    struct Device;
    ToneOutput& Sounding();

    SoundCardVoice voice_;
    ToneOutput& fallback_;
    std::shared_ptr<Device> device_; // shared with the audio thread, which may outlive a stuck close
};

// True when the program runs under Wine: its ntdll exports wine_get_version.
bool RunningUnderWine();
// True when the speaker can sound: the port path (9x family), or a Beep service that exists.
bool SpeakerPathUsable();
