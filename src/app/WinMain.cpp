#include <windows.h>
// The common controls need <windows.h> before them.
#include <commctrl.h>

#include <memory>

#include "app/MainWindow.h"
#ifdef KESTREL_TONE_PROBE
#include <cstdlib>

#include "app/ProbeHooks.h"
#include "app/StartupPhases.h"
#include "app/ToneLogOutput.h"
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
#ifdef KESTREL_TONE_PROBE
    StartupPhase("WinMain");
#endif
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // The window owns a whole setup; keep it off the stack.
    auto window = std::make_unique<MainWindow>();

#ifdef KESTREL_TONE_PROBE
    // Test build: every tone is also written to the file named by KESTREL_TONE_LOG.
    ToneLogOutput toneLog(window->ToneOutputInUse(), getenv("KESTREL_TONE_LOG"));
    window->UseToneOutput(toneLog);
    InstallProbeHooks(*window);
    window->SetPhaseHandler(StartupPhase);
    toneLog.AnswerMarks([&window] { return window->Engine().IsPlaying(); });
#endif
    return window->RunModal(instance);
}
