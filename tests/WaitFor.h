#pragma once
// Waits for a condition that no signal announces (another process's window or log file, another
// thread's doing): looks again every pollMs until it holds. The limit is only a safety net for a
// program that hangs, never a measure of speed.
#include <chrono>
#include <thread>

template <typename Condition> bool WaitFor(Condition condition, int limitMs = 10000, int pollMs = 20) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
    return true;
}
