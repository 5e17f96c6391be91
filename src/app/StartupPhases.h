#pragma once
// Test builds and the bare dialog only: start-up phases written from inside a program for the
// start-up benchmark: each call appends
// "<ms since the process was created> <phase>" to the file named by KESTREL_PHASE_LOG (nothing
// when it is unset). The time is taken from the system clock against the process's creation
// time, so the first phases include what the system did before the program's code ran.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

inline void StartupPhase(const char* phase) {
    static const char* path = std::getenv("KESTREL_PHASE_LOG");
    if (path == nullptr || *path == '\0') return;
    FILETIME created{}, exited{}, kernel{}, user{}, now{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    const double ms = static_cast<double>(static_cast<long long>(ticks(now) - ticks(created))) / 10000.0;
    if (FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%.3f %s\n", ms, phase);
        std::fclose(file);
    }
}
