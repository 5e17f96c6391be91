#pragma once
// Starting the real program, finding its window and closing it, from outside its process.
#include <windows.h>

#include <string>
#include <vector>

struct RunningCopy {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;
};

// Full path of a program built next to the test executable.
std::string ProgramPath(const char* exeName = "kestrelbox.exe");

// Starts the program with the given argument text and extra "NAME=value" environment entries,
// and waits up to timeoutMs for its main window. window stays null when none appeared.
RunningCopy StartCopy(const std::string& arguments = "", const std::vector<std::string>& environment = {},
                      const char* exeName = "kestrelbox.exe", DWORD timeoutMs = 30000);

// The visible top-level window of process pid whose title begins with the program's caption.
HWND FindMainWindow(DWORD pid, DWORD timeoutMs);

// Posts a close request and waits for the process to end; true when it ended in time.
bool CloseCopy(RunningCopy& copy, DWORD timeoutMs = 15000);

// Ends the process if it still runs and releases its handles.
void EndCopy(RunningCopy& copy);

// Waits until the condition holds; the timeout is only a safety net for a program that hangs.
template <typename Condition> bool WaitFor(Condition condition, DWORD timeoutMs = 10000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

std::string WindowTitle(HWND window);
SIZE ClientSize(HWND window);
