#include "files/RegistryWin32.h"

#include <vector>

#include "common/RegistryKeyWin32.h"
#include "common/WideTextWin32.h"

namespace {

// A REG_SZ value in UTF-16, by the same rules as ReadRegistryString.
std::optional<std::wstring> ReadWideString(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = size;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got) !=
            ERROR_SUCCESS ||
        type != REG_SZ || got > size)
        return std::nullopt;
    buffer[got / sizeof(wchar_t)] = L'\0'; // a value stored without its zero still ends here
    return std::wstring(buffer.data());
}

} // namespace

std::optional<std::string> ReadRegistryString(HKEY key, const char* name) {
    const std::wstring wideName = name != nullptr ? Wide(name) : std::wstring();
    const std::optional<std::wstring> text =
        ReadWideString(key, name != nullptr ? wideName.c_str() : nullptr);
    if (!text) return std::nullopt;
    return Utf8(*text);
}

std::string ProgramFileName() {
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        const DWORD got = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (got == 0) return {};
        if (got < name.size()) return Utf8(std::wstring_view(name.data(), got));
        name.resize(name.size() * 2); // cut short: ask again with more room
    }
}

RegistryStore::Outcome RegistryWin32::Write(const std::string& key, const char* name, const std::string& text,
                                            Key which) {
    const std::wstring path = Wide(classes.key + "\\" + key);
    RegistryKey opened;
    const REGSAM access = KEY_SET_VALUE | KEY_QUERY_VALUE;
    const LONG result = which == Key::Create
                            ? RegCreateKeyExW(classes.root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                              access, nullptr, opened.Receive(), nullptr)
                            : RegOpenKeyExW(classes.root, path.c_str(), 0, access, opened.Receive());
    if (result != ERROR_SUCCESS) return Outcome::Refused;
    const std::wstring wideName = name != nullptr ? Wide(name) : std::wstring();
    const wchar_t* valueName = name != nullptr ? wideName.c_str() : nullptr;
    const std::wstring value = Wide(text);
    if (ReadWideString(opened.Get(), valueName) == value) return Outcome::Unchanged;
    // The stored length counts the terminating zero, so readers that trust it get a whole string.
    const bool written =
        RegSetValueExW(opened.Get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    return written ? Outcome::Written : Outcome::Refused;
}

RegistryStore::Outcome RegistryWin32::SetDefault(const std::string& key, const std::string& text, Key which) {
    return Write(key, nullptr, text, which);
}

bool RegistryWin32::WriteText(const std::string& key, const std::string& name, const std::string& text) {
    return Write(key, name.c_str(), text, Key::Create) != Outcome::Refused;
}

std::optional<std::string> RegistryWin32::ReadText(const std::string& key, const std::string& name) {
    const std::wstring ownPath = Wide(classes.key + "\\" + key);
    const std::wstring classesPath = Wide(key);
    const struct {
        HKEY root;
        const std::wstring& path;
    } places[] = {{classes.root, ownPath}, {HKEY_CLASSES_ROOT, classesPath}};
    const std::wstring wideName = Wide(name);
    for (const auto& place : places) {
        RegistryKey opened;
        if (RegOpenKeyExW(place.root, place.path.c_str(), 0, KEY_QUERY_VALUE, opened.Receive()) !=
            ERROR_SUCCESS)
            continue;
        if (auto text = ReadWideString(opened.Get(), wideName.c_str())) return Utf8(*text);
    }
    return std::nullopt;
}
