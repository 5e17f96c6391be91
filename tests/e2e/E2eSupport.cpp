#include "E2eSupport.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "app/ProbeHooks.h"
#include "common/WideTextWin32.h"

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

HarnessVoice harnessVoice = HarnessVoice::Speaker;

// The program's stored choice of voice (files/Preferences.h): "off" the speaker, "on" the sound card.
void StateVoice(HarnessVoice voice) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Classes\\Pallidorn\\data\\8", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    if (voice == HarnessVoice::MachineDecides) {
        RegDeleteValueA(key, "soundCard");
    } else {
        const char* text = voice == HarnessVoice::SoundCard ? "on" : "off";
        RegSetValueExA(key, "soundCard", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(std::strlen(text) + 1));
    }
    RegCloseKey(key);
}

} // namespace

ScopedVoice::ScopedVoice(HarnessVoice voice) : previous(harnessVoice) { harnessVoice = voice; }

ScopedVoice::~ScopedVoice() {
    harnessVoice = previous;
    StateVoice(previous);
}

std::string ProgramPath(const char* exeName) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::string path = Utf8(self);
    path.erase(path.find_last_of("\\/") + 1);
    return path + exeName;
}

std::string WindowTitle(HWND window) {
    char title[512] = {};
    GetWindowTextA(window, title, sizeof title);
    return title;
}

std::string WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return Utf8(text);
}

SIZE ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return SIZE{client.right, client.bottom};
}

HWND FindMainWindow(DWORD pid, DWORD timeoutMs) {
    Search search{pid, nullptr};
    WaitFor(
        [&] {
            EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        static_cast<int>(timeoutMs), 50);
    return search.found;
}

RunningCopy StartCopy(const std::string& arguments, const std::vector<std::string>& environment,
                      const char* exeName, DWORD timeoutMs, const std::string& workingFolder) {
    RunningCopy copy;
    StateVoice(harnessVoice);
    std::string commandLine = "\"" + ProgramPath(exeName) + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    std::wstring mutableLine = Wide(commandLine);
    std::vector<char> env = EnvironmentWith(environment);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    const std::wstring folder = Wide(workingFolder);
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, env.data(),
                        folder.empty() ? nullptr : folder.c_str(), &startup, &copy.process))
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

HeldKey::HeldKey(HWND heldFor, BYTE heldKey) : target(heldFor), key(heldKey) {
    if (GetForegroundWindow() != target) {
        SetForegroundWindow(target);
        WaitFor([this] { return GetForegroundWindow() == target; });
    }
    // A window that comes to the front takes the display's own key state, which knows nothing of
    // keys pressed here: let it finish doing so before the key goes down. A message sent to it
    // returns once its thread has taken what was queued for it.
    DWORD_PTR result = 0;
    for (int i = 0; i < 2; ++i)
        SendMessageTimeoutA(target, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
    keybd_event(key, 0, 0, 0);
    // The system takes the key at once, but the copy may still hold an older reading of it.
    held = WaitFor([this] { return TargetSeesHeld(); });
}

HeldKey::~HeldKey() {
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
    WaitFor([this] { return !TargetSeesHeld(); });
}

bool HeldKey::TargetSeesHeld() const {
    return SendProbe(target, kProbeKeyHeld, std::string(1, static_cast<char>(key)));
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

// --- Files, dialogs and the probe's requests ------------------------------------------------------

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    uint8_t chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    CloseHandle(file);
    return bytes;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

bool FileExists(const std::string& path) {
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path + L"\\");
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

struct ProcessWindowSearch {
    DWORD pid;
    const std::function<bool(HWND)>* match;
    HWND found;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ProcessWindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window) || !(*search->match)(window)) return TRUE;
    search->found = window;
    return FALSE;
}

} // namespace

ScopedFolder::ScopedFolder(const std::string& name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path = Utf8(temp) + name + " " + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryW(Wide(path).c_str(), nullptr);
}

ScopedFolder::~ScopedFolder() { RemoveTree(Wide(path)); }

HWND WaitForWindow(const RunningCopy& copy, std::function<bool(HWND)> match, DWORD timeoutMs) {
    ProcessWindowSearch search{copy.process.dwProcessId, &match, nullptr};
    WaitFor(
        [&] {
            EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

HWND WaitForCaption(const RunningCopy& copy, const std::string& caption, DWORD timeoutMs) {
    return WaitForWindow(
        copy, [&](HWND w) { return WindowTitle(w) == caption; }, timeoutMs);
}

std::string ChildTexts(HWND window) {
    std::string texts;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM param) {
            *reinterpret_cast<std::string*>(param) += WindowText(child) + "\n";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

void ClickButton(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

namespace {

// The name field of a file dialog: the edit control in the name box, or the older name edit.
HWND FileNameField(HWND dialog) {
    constexpr int kNameCombo = 0x47C; // cmb13
    constexpr int kNameEdit = 0x480;  // edt1
    if (HWND combo = GetDlgItem(dialog, kNameCombo)) {
        if (HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr)) return edit;
        return combo;
    }
    return GetDlgItem(dialog, kNameEdit);
}

} // namespace

HWND WaitForFileDialog(const RunningCopy& copy) {
    return WaitForWindow(copy, [](HWND w) { return ClassOf(w) == "#32770" && FileNameField(w) != nullptr; });
}

std::string FileDialogName(HWND dialog) {
    // Another process's edit control answers WM_GETTEXT; GetWindowText would not ask it.
    HWND field = FileNameField(dialog);
    std::wstring text(static_cast<size_t>(SendMessageW(field, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    const LRESULT got = SendMessageW(field, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(got));
    return Utf8(text);
}

void ChooseInFileDialog(HWND dialog, const std::string& path) {
    SendMessageW(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(path).c_str()));
    ClickButton(dialog, IDOK);
}

void RunMenuCommand(HWND mainWindow, int command) {
    // The toolbar's invisible command window owns the menus (a static control named "menu").
    HWND commands = FindWindowExA(mainWindow, nullptr, "Static", "menu");
    PostMessageA(commands, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

bool SendProbe(HWND window, ULONG_PTR what, const std::string& data) {
    COPYDATASTRUCT message{what, static_cast<DWORD>(data.size()), const_cast<char*>(data.data())};
    DWORD_PTR answer = FALSE;
    // A copy that hangs fails the test instead of holding it.
    constexpr UINT kSafetyLimitMs = 10000;
    return SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message), SMTO_NORMAL,
                               kSafetyLimitMs, &answer) != 0 &&
           answer != FALSE;
}

// --- Wine --------------------------------------------------------------------------------------

namespace {

// One of the functions Wine's kernel32 adds; void(*)() is the type any function pointer may pass through.
using AnyFunction = void (*)();
AnyFunction WineExport(const char* name) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel != nullptr ? reinterpret_cast<AnyFunction>(GetProcAddress(kernel, name)) : nullptr;
}

} // namespace

bool UnderWine() { return WineExport("wine_get_unix_file_name") != nullptr; }

std::optional<std::string> UnixPathOf(const std::string& windowsPath) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(WineExport("wine_get_unix_file_name"));
    if (toUnix == nullptr) return std::nullopt;
    char* unix = toUnix(Wide(windowsPath).c_str());
    if (unix == nullptr) return std::nullopt;
    std::string path(unix);
    HeapFree(GetProcessHeap(), 0, unix);
    return path;
}

std::optional<std::string> WindowsPathOf(const std::string& unixPath) {
    using ToDos = wchar_t*(CDECL*)(const char*);
    const auto toDos = reinterpret_cast<ToDos>(WineExport("wine_get_dos_file_name"));
    if (toDos == nullptr) return std::nullopt;
    wchar_t* dos = toDos(unixPath.c_str());
    if (dos == nullptr) return std::nullopt;
    std::string path = Utf8(dos);
    HeapFree(GetProcessHeap(), 0, dos);
    return path;
}
