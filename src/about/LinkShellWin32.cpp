#include "about/LinkShellWin32.h"

#include <shellapi.h>

#include <vector>

#include "common/RegistryKeyWin32.h"

namespace {

LinkShell* installedShell = nullptr;

// The text of a string value whose bytes may lack their terminating zero.
std::string StringFromValue(const std::vector<char>& data, DWORD size) {
    std::string text(data.data(), size);
    const auto zero = text.find('\0');
    if (zero != std::string::npos) text.erase(zero);
    return text;
}

std::string ExpandEnvironment(const std::string& text) {
    const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (needed == 0) return text;
    std::vector<char> expanded(needed + 1);
    if (ExpandEnvironmentStringsA(text.c_str(), expanded.data(), needed + 1) == 0) return text;
    return expanded.data();
}

} // namespace

int LinkShellWin32::ShellOpen(const std::string& address, int show) {
    const HINSTANCE result = ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, show);
    return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

long LinkShellWin32::ReadClassesRootValue(const std::string& key, std::string& value) {
    RegistryKey opened;
    const LONG openResult =
        RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, opened.Receive());
    if (openResult != ERROR_SUCCESS) return openResult;
    // The length is asked for first, so a long browser path is never cut; the value may change
    // between the two calls, hence the loop.
    for (;;) {
        DWORD type = 0;
        DWORD size = 0;
        LONG result = RegQueryValueExA(opened.Get(), nullptr, nullptr, &type, nullptr, &size);
        if (result != ERROR_SUCCESS) return result;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
        std::vector<char> data(size + 1, '\0');
        result = RegQueryValueExA(opened.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                  &size);
        if (result == ERROR_MORE_DATA) continue;
        if (result != ERROR_SUCCESS) return result;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
        value = StringFromValue(data, size);
        if (type == REG_EXPAND_SZ) value = ExpandEnvironment(value);
        return ERROR_SUCCESS;
    }
}

int LinkShellWin32::Run(const std::string& commandLine, int show) {
    return static_cast<int>(WinExec(commandLine.c_str(), static_cast<UINT>(show)));
}

LinkShell& CurrentLinkShell() {
    static LinkShellWin32 real;
    return installedShell != nullptr ? *installedShell : real;
}

void SetLinkShell(LinkShell* shell) { installedShell = shell; }

void ReportLinkError(int code, HWND owner) {
    const std::string message = LinkErrorMessage(code);
    MessageBoxA(owner, message.c_str(), "Kestrelbox", MB_ICONEXCLAMATION | MB_OK);
}
