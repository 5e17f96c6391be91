#include <windows.h>
// The common controls need <windows.h> before them.
#include <commctrl.h>

#include <memory>

#include "app/MainWindow.h"
#include "tone/SoundCardToneWin32.h"
#include "tone/ToneOutputSwitch.h"
#include "tone/VoiceChoice.h"
#ifdef KESTREL_TONE_PROBE
#include <cstdlib>

#include "app/ProbeHooks.h"
#include "app/ToneLogOutput.h"
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // The window owns a whole setup; keep it off the stack.
    auto window = std::make_unique<MainWindow>();

    // The voice: the speaker where it can be heard, the sound card where it cannot. A sound card
    // that will not open leaves the speaker, and the status line says so once.
    ToneOutput& speaker = window->ToneOutputInUse();
    SoundCardToneWin32 soundCard(window->Timer(), speaker);
    ToneOutputSwitch voices(speaker);
    if (PreferSoundCard({RunningUnderWine(), SpeakerPathUsable()})) {
        if (soundCard.Open())
            voices.Use(soundCard);
        else
            RaiseSoundCardFallbackNotice();
    }
    window->UseToneOutput(voices);
#ifdef KESTREL_TONE_PROBE
    // Test build: every tone is also written to the file named by KESTREL_TONE_LOG.
    ToneLogOutput toneLog(window->ToneOutputInUse(), getenv("KESTREL_TONE_LOG"));
    window->UseToneOutput(toneLog);
    InstallProbeHooks(*window);
#endif
    return window->RunModal(instance);
}
