#include <windows.h>
// The common controls need <windows.h> before them.
#include <commctrl.h>

#include <memory>

#include "app/MainWindow.h"
#include "common/SystemWin32.h"
#ifdef KESTREL_TONE_PROBE
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/ProbeHooks.h"
#include "app/StartupPhases.h"
#include "app/ToneLogOutput.h"
#endif

#ifdef KESTREL_TONE_PROBE
namespace {

std::string VoiceStatus(const VoiceCounters& c) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "latency %.1f lookahead %.1f tones %llu late %llu dropouts %llu lost %.1f dropped %llu",
                  c.latencyMs, c.lookaheadMs, static_cast<unsigned long long>(c.tones),
                  static_cast<unsigned long long>(c.lateTones), static_cast<unsigned long long>(c.dropouts),
                  c.lostMs, static_cast<unsigned long long>(c.droppedCues));
    return text;
}

} // namespace
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
#ifdef KESTREL_TONE_PROBE
    StartupPhase("WinMain");
#endif
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    KeepTimerResolutionWhenHidden();
    // The window owns a whole setup; keep it off the stack.
    auto window = std::make_unique<MainWindow>();

#ifdef KESTREL_TONE_PROBE
    // Test build: every tone is also written to the file named by KESTREL_TONE_LOG.
    ToneLogOutput toneLog(window->ToneOutputInUse(), getenv("KESTREL_TONE_LOG"));
    window->UseToneOutput(toneLog);
    InstallProbeHooks(*window);
    window->SetPhaseHandler(StartupPhase);
    toneLog.AnswerMarks([&window] { return window->Engine().IsPlaying(); },
                        [&window] { return VoiceStatus(window->SoundCard().Counters()); });
#endif
    return window->RunModal(instance);
}
