// The panel seen from outside: the real test build driven by posted input, timed with the
// performance counter. The test build answers a posted echo request (see ProbeHooks.h) once
// everything posted before it has been handled and painted, which marks when input took effect.
//
//   panel_drive start [starts]   start-up to the first complete paint, beside a bare dialog
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

// Sum of a client rectangle's pixels, channel by channel, read through one copy of the screen.
unsigned long long RegionSum(HWND window, int left, int top, int width, int height) {
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY);
    GdiFlush();
    unsigned long long sum = 0;
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (int i = 0; i < width * height; ++i)
        sum += ((pixels[i] >> 16) & 0xFF) * 1000003ull + ((pixels[i] >> 8) & 0xFF) * 1009ull +
               (pixels[i] & 0xFF);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return sum;
}

// The panel has painted once the selected measure button (measure 1, at the bottom) looks unlike
// its neighbour: before that both show the dialog's plain background. The selector is among the
// last widgets painted.
bool PanelPainted(HWND window) {
    return RegionSum(window, 70, 98, 20, 12) != RegionSum(window, 70, 84, 20, 12);
}

bool BarePainted(HWND window) {
    return ClientPixel(window, kBareDialogWidth / 2, kBareDialogHeight / 2) == kBareDialogColour;
}

// Starts a program and polls without sleeping until the test says it has painted.
template <typename Painted> double TimeFirstPaint(const char* exe, Painted painted) {
    const double start = bench::NowMs();
    RunningCopy copy = StartCopy("", {}, exe, 0);
    double took = -1;
    while (bench::NowMs() - start < 60000) {
        if (copy.window == nullptr) copy.window = VisibleWindowOf(copy.process.dwProcessId);
        if (copy.window != nullptr && painted(copy.window)) {
            took = bench::NowMs() - start;
            break;
        }
        SwitchToThread();
    }
    if (!CloseCopy(copy)) std::printf("  (%s did not close in time)\n", exe);
    EndCopy(copy);
    return took;
}

int RunStart(int starts) {
    std::vector<double> panel, bare;
    for (int i = 0; i < starts; ++i) {
        bare.push_back(TimeFirstPaint(kBareExe, BarePainted));
        panel.push_back(TimeFirstPaint(kProbeExe, PanelPainted));
    }
    const bench::Spread b = bench::Summarise(bare), p = bench::Summarise(panel);
    bench::PrintRow("start to first paint, bare dialog", b, "");
    bench::PrintRow("start to first complete paint, panel", p, "< 1.5x bare");
    std::printf("panel / bare dialog, medians: %.2f\n", p.median / b.median);
    return 0;
}

// Posted input and its effect: echo requests answered through a named event.
class Probe {
public:
    explicit Probe(const std::string& toneLog) {
        echoed = CreateEventA(nullptr, FALSE, FALSE, kProbeEchoEvent);
        copy = StartCopy("", {"KESTREL_TONE_LOG=" + toneLog}, kProbeExe, 30000);
    }
    ~Probe() {
        CloseCopy(copy);
        EndCopy(copy);
        CloseHandle(echoed);
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    HWND Window() const { return copy.window; }
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
    if (mode == "start") return RunStart(argc > 2 ? std::max(1, std::atoi(argv[2])) : 10);
    if (mode == "edit") return RunEdit();
    if (mode == "tempo") return RunTempo(argc > 2 ? std::max(1.0, std::atof(argv[2])) : 10.0);
    std::printf("usage: panel_drive start [starts] | edit | tempo [seconds]\n");
    return 2;
}
