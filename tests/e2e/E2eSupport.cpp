#include "E2eSupport.h"

#include <cstring>

namespace {

constexpr char kCaption[] = " -  +  \xF7  x";

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window)) return TRUE;
    if (WindowTitle(window).compare(0, std::strlen(kCaption), kCaption) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

// The current environment block with extra entries appended (later entries do not override
// earlier ones in Windows, so callers pass names the environment does not hold yet).
std::vector<char> EnvironmentWith(const std::vector<std::string>& extra) {
    std::vector<char> block;
    char* strings = GetEnvironmentStringsA();
    for (const char* p = strings; *p != '\0'; p += std::strlen(p) + 1) block.insert(block.end(), p, p + std::strlen(p) + 1);
    FreeEnvironmentStringsA(strings);
    for (const std::string& entry : extra) block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
    block.push_back('\0');
    return block;
}

} // namespace

std::string ProgramPath(const char* exeName) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self);
    path.erase(path.find_last_of("\\/") + 1);
    return path + exeName;
}

std::string WindowTitle(HWND window) {
    char title[512] = {};
    GetWindowTextA(window, title, sizeof title);
    return title;
}

SIZE ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return SIZE{client.right, client.bottom};
}

HWND FindMainWindow(DWORD pid, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        Search search{pid, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr || GetTickCount() - start > timeoutMs) return search.found;
        Sleep(50);
    }
}

RunningCopy StartCopy(const std::string& arguments, const std::vector<std::string>& environment,
                      const char* exeName, DWORD timeoutMs) {
    RunningCopy copy;
    std::string commandLine = "\"" + ProgramPath(exeName) + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    std::vector<char> env = EnvironmentWith(environment);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, env.data(), nullptr,
                        &startup, &copy.process))
        return copy;
    copy.window = FindMainWindow(copy.process.dwProcessId, timeoutMs);
    return copy;
}

bool CloseCopy(RunningCopy& copy, DWORD timeoutMs) {
    if (copy.process.hProcess == nullptr) return false;
    if (copy.window != nullptr) PostMessageA(copy.window, WM_CLOSE, 0, 0);
    return WaitForSingleObject(copy.process.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

void EndCopy(RunningCopy& copy) {
    if (copy.process.hProcess == nullptr) return;
    if (WaitForSingleObject(copy.process.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(copy.process.hProcess, 1);
        WaitForSingleObject(copy.process.hProcess, 5000);
    }
    CloseHandle(copy.process.hThread);
    CloseHandle(copy.process.hProcess);
    copy = RunningCopy{};
}
