// How long a setup takes to open and to save, on the real program seen from outside. Each round
// starts the test build three ways: with no file (the cost of starting at all, most of it Wine's
// own), with a settings file named on the command line (until its caption shows: the panel has
// been shown by then), and then asks that copy to save (until the file is in place). Reported are
// the median and the slowest round, and the file's extra cost over a plain start.
//
//   file_open [rounds]     default 15
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "app/ProbeHooks.h"
#include "common/TextEncoding.h"
#include "files/SettingsFile.h"

namespace {

constexpr char kProbeExe[] = "kestrelbox_probe.exe";
constexpr char kTitle[] = " -  +  \xF7  x :   bench.^\xB6^";

double NowMs() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t{};
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / ticksPerMs;
}

struct Search {
    DWORD pid;
    const char* title; // null: any title of the program
    HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM param) {
    auto* search = static_cast<Search*>(reinterpret_cast<void*>(param));
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window)) return TRUE;
    const std::string title = WindowTitle(window);
    if (title.rfind(" -  +  \xF7  x", 0) != 0) return TRUE;
    if (search->title != nullptr && title != search->title) return TRUE;
    search->found = window;
    return FALSE;
}

// Starts the program and polls without sleeping until its window (with title, if given) shows.
double TimeStart(const std::string& arguments, const char* title, RunningCopy& copy) {
    const double start = NowMs();
    copy = StartCopy(arguments, {}, kProbeExe, 0);
    Search search{copy.process.dwProcessId, title, nullptr};
    while (search.found == nullptr && NowMs() - start < 60000) {
        EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) SwitchToThread();
    }
    copy.window = search.found;
    return NowMs() - start;
}

size_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
}

double TimeSave(const RunningCopy& copy, const std::string& path) {
    DeleteFileA(path.c_str());
    const double start = NowMs();
    COPYDATASTRUCT message{kProbeSave, 0, nullptr};
    SendMessageA(copy.window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message));
    while (FileSize(path) != kSettingsFileSize && NowMs() - start < 60000)
        SwitchToThread();
    return NowMs() - start;
}

struct Figures {
    double median;
    double slowest;
};

Figures Summarise(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return Figures{samples[samples.size() / 2], samples.back()};
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "bench.^\xB6^";
    SongDocument doc;
    doc.stepsPerMeasure = 9;
    const std::vector<uint8_t> bytes = EncodeSettings(doc, 80, 60, 0x00406080);

    std::vector<double> plain, opened, saved;
    for (int round = 0; round < rounds; ++round) {
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
        }
        RunningCopy copy;
        plain.push_back(TimeStart("", nullptr, copy));
        CloseCopy(copy);
        EndCopy(copy);
        // The path is ANSI here; the command line is handed over in UTF-8.
        opened.push_back(TimeStart(Utf8FromWindows1252("\"" + path + "\""), kTitle, copy));
        if (copy.window != nullptr) saved.push_back(TimeSave(copy, path));
        CloseCopy(copy);
        EndCopy(copy);
    }
    DeleteFileA(path.c_str());
    const Figures p = Summarise(plain), o = Summarise(opened), s = Summarise(saved);
    std::printf("rounds: %d\n", rounds);
    std::printf("start, no file:            median %7.1f ms, slowest %7.1f ms\n", p.median, p.slowest);
    std::printf("start with a settings file: median %7.1f ms, slowest %7.1f ms\n", o.median, o.slowest);
    std::printf("  the file's own share:     median %7.1f ms\n", o.median - p.median);
    std::printf("save in place:             median %7.1f ms, slowest %7.1f ms\n", s.median, s.slowest);
    return 0;
}
