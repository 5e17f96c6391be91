// How closely the real step clock keeps time: the multimedia timer and the step engine play a
// measure of sixteen sounding steps for a number of steps at a given tempo, and every tone records
// when it began. Lateness is measured against the ideal schedule (step k due k step lengths after
// step 0), next to a naive loop that sleeps one step length per step, in the same run. The engine
// runs once with each clock source: the time-stamp counter calibrated against the performance
// counter, and the performance counter alone. The process CPU time while playing is reported too,
// and, first, how fast the calibrated clock runs against the performance counter.
//
// With --hog, busy threads compete for every processor while the timer calibrates its clock, as
// other programs may at start-up; the clock must keep time all the same.
//
//   step_timing [--hog] [steps] [tempo ...]   defaults: 2000 steps at 126 and at 600 beats per minute
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "BenchConditions.h"
#include "app/PlayStatePanel.h"
#include "playback/SequencerEngine.h"
#include "playback/StepTiming.h"
#include "playback/TempoTimerWin32.h"
#include "song/SongDocument.h"
#include "tone/ToneOutputWin32.h"

namespace {

double NowUs() {
    static const double ticksPerUs = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1e6;
    }();
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticksPerUs;
}

double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

// Sounds every tone on the real speaker and notes when each began; signals after `wanted` tones.
class RecordingTone : public ToneOutput {
public:
    explicit RecordingTone(size_t wanted)
        : times(wanted), done(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~RecordingTone() override { CloseHandle(done); }
    RecordingTone(const RecordingTone&) = delete;
    RecordingTone& operator=(const RecordingTone&) = delete;

    void PlayNote(int note, int lengthMs) override {
        const size_t i = count.fetch_add(1);
        if (i < times.size()) {
            times[i] = NowUs();
            if (i + 1 == times.size()) SetEvent(done);
        }
        speaker.PlayNote(note, lengthMs);
    }
    void Wait() const { WaitForSingleObject(done, INFINITE); }
    const std::vector<double>& Times() const { return times; }

private:
    ToneOutputWin32 speaker;
    std::vector<double> times;
    std::atomic<size_t> count{0};
    HANDLE done;
};

class NoPoster : public MessagePoster {
public:
    void PostToSelf(unsigned, uintptr_t, intptr_t) override {}
    int BroadcastToCopies(unsigned, uintptr_t, intptr_t) override { return 0; }
};

class ThisCopyAlone : public KeyState {
public:
    bool ControlHeld() override { return true; } // this copy alone
};

// Waits for the clock's next whole millisecond; returns it and the counter time it came at, so
// two such edges compare the clocks to a microsecond however coarse the readings are.
std::pair<uint32_t, double> NextMillisecond(TempoTimer& timer) {
    const uint32_t start = timer.NowMs();
    for (;;) {
        const double at = NowUs();
        const uint32_t now = timer.NowMs();
        if (now != start) return {now, at};
    }
}

// How fast the calibrated time-stamp clock runs against the performance counter over `ms`, in
// parts per million; the timer tests only check that it is well within 1 %.
void PrintClockAgreement(TempoTimer& timer, DWORD ms) {
    timer.SetHighResolution(true);
    const auto [first, firstAt] = NextMillisecond(timer);
    Sleep(ms);
    const auto [last, lastAt] = NextMillisecond(timer);
    const double realMs = (lastAt - firstAt) / 1000.0;
    const double clockMs = static_cast<double>(static_cast<uint32_t>(last - first));
    std::printf("time-stamp clock against the performance counter over %.0f ms: %+.0f ppm\n", realMs,
                (clockMs - realMs) / realMs * 1e6);
}

struct Figures {
    double medianMs, p99Ms, maxMs, lastErrorMs;
};

Figures Measure(const std::vector<double>& timesUs, double stepMs) {
    std::vector<double> late;
    for (size_t k = 1; k < timesUs.size(); ++k)
        late.push_back((timesUs[k] - timesUs[0]) / 1000.0 - k * stepMs);
    const double last = late.back();
    std::sort(late.begin(), late.end());
    const size_t p99 = static_cast<size_t>(std::ceil(0.99 * late.size())) - 1;
    return {late[late.size() / 2], late[p99], late.back(), last};
}

void Print(const char* what, const Figures& f, double cpuPercent) {
    std::printf("  %-10s lateness median %7.3f ms  p99 %7.3f ms  max %8.3f ms  last-step error %9.3f ms",
                what, f.medianMs, f.p99Ms, f.maxMs, f.lastErrorMs);
    if (cpuPercent >= 0) std::printf("  cpu %.2f %%", cpuPercent);
    const char* extra = std::getenv("KB_BENCH_CONDITIONS");
    std::printf("  | %s%s%s\n", bench::Conditions().c_str(), extra != nullptr ? ", " : "",
                extra != nullptr ? extra : "");
}

void PrepareDocument(SongDocument& doc, double tempo) {
    doc.tempo = tempo;
    doc.mute = 0;
    doc.stepsPerMeasure = kStepsPerMeasureMax;
    for (Step& step : doc.measures[0].steps) {
        step.on = 1;
        step.length = 64; // half the sounding window: every step calls the speaker
    }
    doc.editMeasure = 0;
}

void RunEngine(TempoTimer& timer, bool tscClock, int steps, double tempo, double stepMs) {
    timer.SetHighResolution(tscClock);
    auto doc = std::make_unique<SongDocument>();
    PrepareDocument(*doc, tempo);
    RecordingTone tone(static_cast<size_t>(steps));
    NoPoster poster;
    PlayStatePanel panel;
    ThisCopyAlone keys;
    SequencerEngine engine;
    engine.Initialise(
        {.document = *doc, .timer = timer, .tone = tone, .poster = poster, .panel = panel, .keys = keys});

    const double cpuBefore = ProcessCpuMs();
    const double wallBefore = NowUs();
    engine.Toggle();
    tone.Wait();
    const double cpuPercent = 100.0 * (ProcessCpuMs() - cpuBefore) / ((NowUs() - wallBefore) / 1000.0);
    engine.Shutdown();
    Print(tscClock ? "engine/tsc" : "engine/qpc", Measure(tone.Times(), stepMs), cpuPercent);
}

// What the engine avoids: sleeping one step length after each step lets every delay add up.
void RunNaive(int steps, double stepMs) {
    RecordingTone tone(static_cast<size_t>(steps));
    const DWORD sleepMs = static_cast<DWORD>(std::lround(stepMs));
    for (int k = 0; k < steps; ++k) {
        tone.PlayNote(60, 1);
        Sleep(sleepMs);
    }
    Print("naive", Measure(tone.Times(), stepMs), -1);
}

// Keeps every processor busy (one thread more than there are) while it lives.
class CpuHog {
public:
    explicit CpuHog(bool on) {
        if (!on) return;
        const unsigned count = std::max(1u, std::thread::hardware_concurrency()) + 1;
        for (unsigned i = 0; i < count; ++i)
            threads.emplace_back([this] {
                volatile uint64_t x = 0;
                while (!stop.load(std::memory_order_relaxed))
                    x = x + 1;
            });
    }
    ~CpuHog() {
        stop = true;
        for (std::thread& t : threads)
            t.join();
    }
    CpuHog(const CpuHog&) = delete;
    CpuHog& operator=(const CpuHog&) = delete;
    size_t Threads() const { return threads.size(); }

private:
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
};

} // namespace

int main(int argc, char** argv) {
    bool hog = false;
    std::vector<const char*> args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--hog") == 0)
            hog = true;
        else
            args.push_back(argv[i]);
    }
    const int steps = !args.empty() ? std::max(2, std::atoi(args[0])) : 2000;
    std::vector<double> tempos;
    for (size_t i = 1; i < args.size(); ++i)
        tempos.push_back(std::atof(args[i]));
    if (tempos.empty()) tempos = {126.0, 600.0};

    size_t hogThreads = 0;
    auto timer = [&] {
        CpuHog busy(hog);
        hogThreads = busy.Threads();
        // Calibrates once (the busy threads run until it is done), and holds the 1 ms system timer
        // period for the run.
        auto made = std::make_unique<TempoTimer>();
        made->AwaitCalibration();
        return made;
    }();
    std::printf("step timing: %d steps per run, %u processors", steps, std::thread::hardware_concurrency());
    if (hogThreads > 0) std::printf(", %zu busy threads during calibration", hogThreads);
    if (timer->HasTsc())
        std::printf("; time-stamp counter calibrated to %d cycles per ms (measured %.1f)",
                    timer->CyclesPerMs(), timer->MeasuredCyclesPerMs());
    std::printf("\n");
    if (timer->HasTsc()) PrintClockAgreement(*timer, 5000);
    for (double tempo : tempos) {
        const double stepMs = StepDurationMs(tempo);
        std::printf("tempo %.0f bpm, step %.4f ms\n", tempo, stepMs);
        std::fflush(stdout);
        if (timer->HasTsc()) {
            RunEngine(*timer, true, steps, tempo, stepMs);
            std::fflush(stdout);
        }
        RunEngine(*timer, false, steps, tempo, stepMs);
        std::fflush(stdout);
        RunNaive(steps, stepMs);
        std::fflush(stdout);
    }
    return 0;
}
