// The panel seen from outside: the real test build driven by posted input, timed with the
// performance counter. The test build answers a posted echo request (see ProbeHooks.h) once
// everything posted before it has been handled and painted, which marks when input took effect.
//
//   panel_drive start [starts]   start until the window answers, start-up phases inside, and close
//                                until the process is gone, beside the bare window with 17 edits
//   panel_drive actions [rounds] clicks, a typed tempo, a full repaint and both width changes,
//                                each until painted, on the panel and on the bare window
//   panel_drive trace           one start and one round of actions with WINEDEBUG=+server in the
//                                copies' environment; marks on standard error frame each action
//                                for tools/count-roundtrips.py (its times mean nothing)
//   panel_drive edit             a click on a step cell until painted; a Shift-drag of 100 moves
//   panel_drive tempo [seconds]  responsiveness while playing at 600 and 3000 BPM
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BareDialog.h"
#include "BenchConditions.h"
#include "E2eSupport.h"
#include "app/ProbeHooks.h"

namespace {

constexpr char kProbeExe[] = "kestrelbox_probe.exe";
constexpr char kBareExe[] = "bare_dialog.exe";
constexpr int kTempoFieldId = 1008;

POINT NoteUp(int k) { return POINT{94 + 38 * (k - 1) + 4, 2 + 63 + 4}; }
POINT NoteDown(int k) { return POINT{94 + 38 * (k - 1) + 4, 2 + 72 + 4}; }
// A point on column k's length bar, `at` pixels from its left end (0..26).
POINT LengthBar(int k, int at) { return POINT{94 + 38 * (k - 1) + 2 + at, 2 + 97 + 3}; }

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchVisible(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}

HWND VisibleWindowOf(DWORD pid) {
    Search search{pid, nullptr};
    EnumWindows(MatchVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Round trips to the Wine server are counted from its trace (WINEDEBUG=+server in the copies'
// environment; the trace goes where this program's standard error goes). Each action is framed
// by two marks there, naming the process whose requests count.
void Mark(const char* what, const char* action, DWORD pid) {
    std::fprintf(stderr, "KBMARK %s %s %04lx\n", what, action, static_cast<unsigned long>(pid));
    std::fflush(stderr);
}

std::vector<std::string> CopyEnvironment(const char* program, const std::string& phaseLog, bool traced) {
    std::vector<std::string> environment = {"KESTREL_PHASE_LOG=" + phaseLog};
    if (traced) environment.push_back("WINEDEBUG=+server");
    (void)program;
    return environment;
}

// Reads "<ms> <phase>" lines.
std::vector<std::pair<double, std::string>> Phases(const std::string& path) {
    std::vector<std::pair<double, std::string>> phases;
    if (FILE* file = std::fopen(path.c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, file) != nullptr) {
            double ms = 0;
            char name[200] = {};
            if (std::sscanf(line, "%lf %199[^\n]", &ms, name) == 2) phases.emplace_back(ms, name);
        }
        std::fclose(file);
    }
    return phases;
}

bool Answers(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 50, &result) != 0;
}

struct StartFigures {
    double answering = -1; // from CreateProcess until a message to its window comes back
    double close = -1;     // from the close request until the process has gone
    std::vector<std::pair<double, std::string>> phases;
};

// Starts a program, waits until its window answers, lets it settle, and closes it again.
StartFigures StartAndClose(const char* exe, const char* label, const char* lastPhase, bool traced) {
    StartFigures figures;
    const std::string phaseLog = TempPath(std::string("phases-") + label + ".log");
    DeleteFileA(phaseLog.c_str());
    const double start = bench::NowMs();
    RunningCopy copy = StartCopy("", CopyEnvironment(exe, phaseLog, traced), exe, 0);
    const DWORD pid = copy.process.dwProcessId;
    while (bench::NowMs() - start < 60000) {
        if (copy.window == nullptr) copy.window = VisibleWindowOf(pid);
        if (copy.window != nullptr && Answers(copy.window)) {
            figures.answering = bench::NowMs() - start;
            break;
        }
        SwitchToThread();
    }
    if (traced) Mark("end", "start", pid);
    // Settled: the start-up's own last phase is written.
    const DWORD settle = GetTickCount();
    while (GetTickCount() - settle < 10000) {
        const auto phases = Phases(phaseLog);
        if (!phases.empty() && phases.back().second == lastPhase) break;
        Sleep(10);
    }
    figures.phases = Phases(phaseLog);
    if (copy.window != nullptr) {
        if (traced) Mark("begin", "close", pid);
        const double closing = bench::NowMs();
        PostMessageA(copy.window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(copy.process.hProcess, 15000) == WAIT_OBJECT_0)
            figures.close = bench::NowMs() - closing;
        if (traced) Mark("end", "close", pid);
    }
    EndCopy(copy);
    DeleteFileA(phaseLog.c_str());
    return figures;
}

void PrintPair(const char* what, const std::vector<double>& panel, const std::vector<double>& bare,
               const char* aim) {
    const bench::Spread p = bench::Summarise(panel), b = bench::Summarise(bare);
    bench::PrintRow((std::string(what) + ", panel").c_str(), p, aim);
    bench::PrintRow((std::string(what) + ", bare window").c_str(), b, "");
    std::printf("  %s: panel / bare window, medians: %.2f\n", what, b.median > 0 ? p.median / b.median : 0.0);
}

int RunStart(int starts, bool traced) {
    std::vector<double> panel, bare, panelClose, bareClose;
    std::vector<std::vector<std::pair<double, std::string>>> panelPhases, barePhases;
    for (int i = 0; i < starts; ++i) {
        // Alternately, so both see the same machine.
        const bool trace = traced && i == 0;
        StartFigures b = StartAndClose(kBareExe, "bare", "first idle", trace);
        // The program chooses its voice once it has painted and is idle.
        StartFigures p = StartAndClose(kProbeExe, "panel", "voice chosen", trace);
        bare.push_back(b.answering);
        panel.push_back(p.answering);
        bareClose.push_back(b.close);
        panelClose.push_back(p.close);
        barePhases.push_back(b.phases);
        panelPhases.push_back(p.phases);
    }
    PrintPair("start until the window answers, from outside", panel, bare, "<= 1.5x bare");
    PrintPair("close until the process is gone", panelClose, bareClose, "<= 100 ms");
    // Inside: each phase's median time since the process was created.
    for (const auto* set : {&panelPhases, &barePhases}) {
        const char* who = set == &panelPhases ? "panel" : "bare window";
        if (set->empty() || set->front().empty()) continue;
        for (size_t k = 0; k < set->front().size(); ++k) {
            std::vector<double> at;
            for (const auto& run : *set)
                if (k < run.size() && run[k].second == set->front()[k].second) at.push_back(run[k].first);
            const std::string what = std::string("start phase, ") + who + ": " + set->front()[k].second;
            bench::PrintRow(what.c_str(), bench::Summarise(at), "");
        }
    }
    return 0;
}

// Posted input and its effect: echo requests answered through a named event.
class Probe {
public:
    explicit Probe(const std::string& toneLog, const char* exe = kProbeExe, bool traced = false) {
        echoed = CreateEventA(nullptr, FALSE, FALSE, kProbeEchoEvent);
        std::vector<std::string> environment = {"KESTREL_TONE_LOG=" + toneLog};
        if (traced) environment.push_back("WINEDEBUG=+server");
        copy = StartCopy("", environment, exe, 30000);
        if (copy.window == nullptr) copy.window = VisibleWindowOf(copy.process.dwProcessId);
    }
    DWORD Pid() const { return copy.process.dwProcessId; }
    ~Probe() {
        if (copy.window != nullptr) CloseCopy(copy);
        EndCopy(copy);
        CloseHandle(echoed);
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    HWND Window() const { return copy.window; }
    // Ends the copy without a close request (which a changed setup would answer with a question).
    void Kill() {
        EndCopy(copy);
        copy.window = nullptr;
    }
    // Milliseconds until everything posted so far has been handled and painted; -1 on a timeout.
    double Echo(double since) {
        ResetEvent(echoed);
        PostMessageA(copy.window, kProbeEchoMessage, 0, 0);
        if (WaitForSingleObject(echoed, 10000) != WAIT_OBJECT_0) return -1;
        return bench::NowMs() - since;
    }
    double Click(POINT at) {
        const double start = bench::NowMs();
        PostClick(copy.window, at.x, at.y);
        return Echo(start);
    }

private:
    RunningCopy copy;
    HANDLE echoed = nullptr;
};

// Each action is timed until painted, on the panel and on the bare window alike.
void SizeClient(HWND window, int width) {
    RECT frame{}, client{};
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    SetWindowPos(window, nullptr, 0, 0, (frame.right - frame.left) - client.right + width,
                 frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Runs every action `rounds` times on one copy; the first round is traced when asked.
std::vector<std::vector<double>> RunActions(Probe& probe, bool panel, int rounds, bool traced) {
    HWND window = probe.Window();
    std::vector<std::vector<double>> times(7);
    const POINT noteUp = NoteUp(3), noteDown = NoteDown(3);
    const POINT bareField{94 + 38 * 2 + 12, 60}; // just above the third edit
    for (int i = 0; i < rounds; ++i) {
        const bool trace = traced && i == rounds - 1;
        auto timed = [&](size_t row, const char* label, auto action) {
            if (trace) Mark("begin", label, probe.Pid());
            const double start = bench::NowMs();
            action();
            times[row].push_back(probe.Echo(start));
            if (trace) Mark("end", label, probe.Pid());
        };
        timed(0, "note-click", [&] {
            const POINT at = panel ? (i % 2 == 0 ? noteUp : noteDown) : bareField;
            PostClick(window, at.x, at.y);
        });
        timed(1, "measure-click", [&] {
            // Measure 2, then 1 again: the editor loads a whole measure each time.
            const POINT at = panel ? POINT{78, 98 - 14 * (1 - i % 2) + 6} : POINT{78, 90};
            PostClick(window, at.x, at.y);
        });
        timed(2, "typed-tempo", [&] {
            TypeInto(GetDlgItem(window, kTempoFieldId), i % 2 == 0 ? "130" : "126");
            PostClick(window, 92, 50); // off the field: the typed tempo is committed
        });
        timed(3, "full-repaint",
              [&] { RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN); });
        timed(4, "narrow", [&] { SizeClient(window, 133); });
        timed(5, "widen", [&] { SizeClient(window, 707); });
        const double start = bench::NowMs();
        probe.Echo(start);
        times[6].push_back(bench::NowMs() - start);
    }
    return times;
}

int RunActionsBoth(int rounds, bool traced) {
    const char* names[] = {"click on a note arrow until painted",
                           "click on a measure button until painted",
                           "typed tempo until painted",
                           "full repaint, from outside",
                           "width 707 to 133 until painted",
                           "width 133 to 707 until painted",
                           "echo alone (the measuring's own cost)"};
    const char* aims[] = {"<= 3x, 16 ms", "<= 3x, 16 ms", "<= 3x, 16 ms", "<= 3x", "<= 1.5x", "<= 1.5x", ""};
    std::vector<std::vector<double>> panel, bare;
    {
        Probe bareCopy(TempPath("bare-actions.log"), kBareExe, traced);
        bareCopy.Echo(bench::NowMs());
        bare = RunActions(bareCopy, false, rounds, traced);
    }
    {
        const std::string log = TempPath("panel-actions.log");
        Probe panelCopy(log, kProbeExe, traced);
        panelCopy.Echo(bench::NowMs());
        panel = RunActions(panelCopy, true, rounds, traced);
        // The panel's setup has changed: it would ask about saving; this is not what is timed.
        panelCopy.Kill();
        DeleteFileA(log.c_str());
    }
    for (size_t row = 0; row < panel.size(); ++row)
        PrintPair(names[row], panel[row], bare[row], aims[row]);
    return 0;
}

int RunEdit() {
    const std::string log = TempPath("panel-edit.log");
    Probe probe(log);
    HWND window = probe.Window();
    if (window == nullptr) return 1;
    probe.Echo(bench::NowMs()); // settle the first paint

    std::vector<double> notes, bars;
    int unchanged = 0;
    for (int i = 0; i < 60; ++i) {
        const int k = 1 + i % 16;
        const std::string before = FieldText(NoteField(window, k));
        notes.push_back(probe.Click((i / 16) % 2 == 0 ? NoteUp(k) : NoteDown(k)));
        if (FieldText(NoteField(window, k)) == before) ++unchanged;
        bars.push_back(probe.Click(LengthBar(k, (i * 7) % 27)));
    }
    bench::PrintRow("click note arrow -> new value painted", bench::Summarise(notes), "< 5 ms");
    bench::PrintRow("click length bar -> new value painted", bench::Summarise(bars), "< 5 ms");
    if (unchanged > 0) std::printf("  (%d note clicks left the note as it was: at its limit)\n", unchanged);

    // A Shift-drag on column 1's length bar spreads every value over the sixteen shown steps:
    // 100 moves, one every 10 ms, each followed by an echo. A move lags when its echo comes after
    // the next move is due.
    HeldKey shift(window, VK_SHIFT);
    if (!shift.IsHeld()) std::printf("  (Shift could not be held: the drag below is plain)\n");
    std::vector<double> moves;
    int lagged = 0;
    const POINT down = LengthBar(1, 0);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(down.x, down.y));
    probe.Echo(bench::NowMs());
    const double start = bench::NowMs();
    for (int i = 0; i < 100; ++i) {
        const double due = start + 10.0 * i;
        while (bench::NowMs() < due)
            SwitchToThread();
        const POINT at = LengthBar(1, (i * 3) % 27);
        const double posted = bench::NowMs();
        PostMessageA(window, WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, MAKELPARAM(at.x, at.y));
        const double took = probe.Echo(posted);
        moves.push_back(took);
        if (took < 0 || posted + took > due + 10.0) ++lagged;
    }
    const double total = bench::NowMs() - start;
    PostMessageA(window, WM_LBUTTONUP, MK_SHIFT, MAKELPARAM(down.x, down.y));
    probe.Echo(bench::NowMs());
    bench::PrintRow("Shift-drag, one move -> 16 steps painted", bench::Summarise(moves), "< 10 ms");
    std::printf("Shift-drag: 100 moves at 100/s handled in %.1f ms (ideal 990 + the last), %d lagged\n",
                total, lagged);
    DeleteFileA(log.c_str());
    return 0;
}

// The median gap between logged tones from line `from` on, in milliseconds.
double MedianToneGap(const std::string& log, size_t from) {
    const std::vector<LoggedTone> tones = LoggedTones(log);
    std::vector<double> gaps;
    for (size_t i = std::max<size_t>(from, 1); i < tones.size(); ++i)
        gaps.push_back(static_cast<double>(tones[i].ms - tones[i - 1].ms));
    return bench::Summarise(gaps).median;
}

void RunAtTempo(Probe& probe, const std::string& log, const char* bpm, double seconds) {
    HWND window = probe.Window();
    TypeInto(GetDlgItem(window, kTempoFieldId), bpm);
    PostClick(window, 92, 50); // between the measure buttons and column 1: the field loses focus
    probe.Echo(bench::NowMs());
    const size_t from = LoggedTones(log).size();

    std::vector<double> nulls, clicks, early, late;
    const double start = bench::NowMs();
    int i = 0;
    while (bench::NowMs() - start < seconds * 1000.0) {
        DWORD_PTR result = 0;
        const double sent = bench::NowMs();
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
        nulls.push_back(bench::NowMs() - sent);
        const int k = 1 + i % 16;
        const double click = probe.Click(i % 2 == 0 ? NoteUp(k) : NoteDown(k));
        clicks.push_back(click);
        (bench::NowMs() - start < seconds * 500.0 ? early : late).push_back(click);
        ++i;
        const double pause = bench::NowMs() + 50;
        while (bench::NowMs() < pause)
            SwitchToThread();
    }
    std::string what = std::string(bpm) + " BPM, ";
    bench::PrintRow((what + "SendMessageTimeout(WM_NULL) round trip").c_str(), bench::Summarise(nulls), "");
    bench::PrintRow((what + "posted click -> painted").c_str(), bench::Summarise(clicks), "< 50 ms");
    bench::PrintRow((what + "  same, first half").c_str(), bench::Summarise(early), "");
    bench::PrintRow((what + "  same, second half").c_str(), bench::Summarise(late), "");
    std::printf("%s median gap between logged tones %.1f ms (%zu tones)\n", what.c_str(),
                MedianToneGap(log, from), LoggedTones(log).size() - from);
}

int RunTempo(double seconds) {
    const std::string log = TempPath("panel-tempo.log");
    DeleteFileA(log.c_str());
    Probe probe(log);
    HWND window = probe.Window();
    if (window == nullptr) return 1;
    probe.Echo(bench::NowMs());
    PressKey(window, VK_SPACE);
    RunAtTempo(probe, log, "600", seconds);
    RunAtTempo(probe, log, "3000", seconds);
    PressKey(window, VK_SPACE);
    probe.Echo(bench::NowMs());
    DeleteFileA(log.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "start";
    if (mode == "start") return RunStart(argc > 2 ? std::max(1, std::atoi(argv[2])) : 10, false);
    if (mode == "actions") return RunActionsBoth(argc > 2 ? std::max(1, std::atoi(argv[2])) : 30, false);
    if (mode == "trace") {
        // Counting only: the trace slows every process down, so no time taken here is printed.
        RunStart(1, true);
        RunActionsBoth(1, true);
        return 0;
    }
    if (mode == "edit") return RunEdit();
    if (mode == "tempo") return RunTempo(argc > 2 ? std::max(1.0, std::atof(argv[2])) : 10.0);
    std::printf("usage: panel_drive start [starts] | actions [rounds] | edit | tempo [seconds]\n");
    return 2;
}
