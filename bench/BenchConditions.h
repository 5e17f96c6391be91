#pragma once
// The machine's conditions printed beside every figure: processors, load average and Wine version.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace bench {

inline double NowMs() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t{};
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / ticksPerMs;
}

// Under Wine the host's /proc is reachable through drive Z:; the script may pass it in instead.
inline std::string LoadAverage() {
    if (const char* given = std::getenv("KB_LOADAVG"); given != nullptr && *given != '\0') return given;
    std::string text = "?";
    if (FILE* file = std::fopen("Z:\\proc\\loadavg", "r")) {
        char line[128] = {};
        if (std::fgets(line, sizeof line, file) != nullptr) {
            double a = 0, b = 0, c = 0;
            if (std::sscanf(line, "%lf %lf %lf", &a, &b, &c) == 3) {
                char buffer[64];
                std::snprintf(buffer, sizeof buffer, "%.2f %.2f %.2f", a, b, c);
                text = buffer;
            }
        }
        std::fclose(file);
    }
    return text;
}

inline std::string WineVersion() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    using Version = const char*(__cdecl*)();
    auto get =
        ntdll != nullptr
            ? reinterpret_cast<Version>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")))
            : nullptr;
    return get != nullptr ? std::string("Wine ") + get() : std::string("Windows");
}

inline std::string Conditions() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "cpus %lu, load %s, %s", info.dwNumberOfProcessors,
                  LoadAverage().c_str(), WineVersion().c_str());
    return buffer;
}

struct Spread {
    double median = 0, p90 = 0, min = 0, max = 0;
    size_t count = 0;
};

inline Spread Summarise(std::vector<double> samples) {
    Spread s;
    if (samples.empty()) return s;
    std::sort(samples.begin(), samples.end());
    s.count = samples.size();
    s.median = samples[samples.size() / 2];
    s.p90 = samples[std::min(samples.size() - 1, samples.size() * 9 / 10)];
    s.min = samples.front();
    s.max = samples.back();
    return s;
}

// One row: what was measured, its spread in milliseconds, the aim, and the conditions.
inline void PrintRow(const char* what, const Spread& s, const char* aim) {
    std::printf("%-44s n %4zu  median %8.3f ms  p90 %8.3f ms  min %8.3f  max %8.3f  aim %-10s | %s\n", what,
                s.count, s.median, s.p90, s.min, s.max, aim, Conditions().c_str());
    std::fflush(stdout);
}

} // namespace bench
