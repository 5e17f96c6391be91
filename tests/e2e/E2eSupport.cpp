#include "E2eSupport.h"

#include <cstring>
#include <fstream>
#include <sstream>

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
    for (const char* p = strings; *p != '\0'; p += std::strlen(p) + 1)
        block.insert(block.end(), p, p + std::strlen(p) + 1);
    FreeEnvironmentStringsA(strings);
    for (const std::string& entry : extra)
        block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
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

std::string FieldText(HWND field) {
    const auto length = static_cast<int>(SendMessageA(field, WM_GETTEXTLENGTH, 0, 0));
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(field, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(std::strlen(text.c_str()));
    return text;
}

HWND NoteField(HWND window, int k) { return GetDlgItem(window, 10000 + 100 * (k - 1) + 23); }

std::vector<std::string> NoteTexts(HWND window) {
    std::vector<std::string> texts;
    for (int k = 1; k <= 16; ++k)
        texts.push_back(FieldText(NoteField(window, k)));
    return texts;
}

COLORREF ClientPixel(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return c;
}

void PostClick(HWND window, int x, int y) {
    const LPARAM at = MAKELPARAM(x, y);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(window, WM_LBUTTONUP, 0, at);
}

void PostRightClick(HWND window, int x, int y) {
    const LPARAM at = MAKELPARAM(x, y);
    PostMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageA(window, WM_RBUTTONUP, 0, at);
}

void PressKey(HWND window, WPARAM key) {
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

void StrikeKey(BYTE key) {
    keybd_event(key, 0, 0, 0);
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
}

void TypeInto(HWND field, const std::string& text) {
    // As a user would: click into the field, select what it holds, type. All posted, so the
    // field takes them in this order.
    PostMessageA(field, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageA(field, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    PostMessageA(field, EM_SETSEL, 0, -1);
    for (char c : text)
        PostMessageA(field, WM_CHAR, static_cast<unsigned char>(c), 1);
}

// Key events travel through the display server; they count once the system's key state shows them.
HeldKey::HeldKey(HWND target, BYTE heldKey) : key(heldKey) {
    if (GetForegroundWindow() != target) {
        SetForegroundWindow(target);
        WaitFor([target] { return GetForegroundWindow() == target; });
    }
    // A window that comes to the front takes the display's own key state, which knows nothing of
    // keys pressed here: let it finish doing so before the key goes down. A message sent to it
    // returns once its thread has taken what was queued for it.
    DWORD_PTR result = 0;
    for (int i = 0; i < 2; ++i)
        SendMessageTimeoutA(target, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
    keybd_event(key, 0, 0, 0);
    held = WaitFor([this] { return (GetAsyncKeyState(key) & 0x8000) != 0; });
    // Each process keeps the key state it last read for up to 50 ms, and no message tells when
    // another process's copy has gone stale: let that lifetime pass before the key is relied on.
    Sleep(100);
}

HeldKey::~HeldKey() {
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
    WaitFor([this] { return (GetAsyncKeyState(key) & 0x8000) == 0; });
}

std::string TempPath(const std::string& name) {
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + "kestrel_" + std::to_string(GetCurrentProcessId()) + "_" + name;
}

std::vector<LoggedTone> LoggedTones(const std::string& path) {
    std::vector<LoggedTone> tones;
    std::ifstream in(path);
    std::string line;
    // Each line begins with the time, the note and the length; what follows is not read here.
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        LoggedTone t{};
        if (fields >> t.ms >> t.note >> t.lengthMs) tones.push_back(t);
    }
    return tones;
}

ScopedCopy::ScopedCopy(const std::vector<std::string>& environment, const char* exeName,
                       const std::string& arguments)
    : copy(StartCopy(arguments, environment, exeName)) {}

ScopedCopy::~ScopedCopy() { EndCopy(copy); }
