#include "files/RegistryWin32.h"

#include <vector>

namespace {

class RegKey {
public:
    RegKey() = default;
    ~RegKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY* Receive() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

} // namespace

std::optional<std::string> ReadRegistryString(HKEY key, const char* name) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    std::vector<char> buffer(size + 1, '\0');
    DWORD got = size;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got) !=
            ERROR_SUCCESS ||
        type != REG_SZ || got > size)
        return std::nullopt;
    buffer[got] = '\0'; // a value stored without its zero still ends here
    return std::string(buffer.data());
}

std::string ProgramFileName() {
    std::vector<char> name(MAX_PATH);
    for (;;) {
        const DWORD got = GetModuleFileNameA(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (got == 0) return {};
        if (got < name.size()) return std::string(name.data(), got);
        name.resize(name.size() * 2); // cut short: ask again with more room
    }
}

bool RegistryWin32::Write(const std::string& key, const char* name, const std::string& text, bool create) {
    const std::string path = userClasses_ + "\\" + key;
    RegKey opened;
    const LONG result =
        create ? RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_SET_VALUE, nullptr, opened.Receive(), nullptr)
               : RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, opened.Receive());
    if (result != ERROR_SUCCESS) return false;
    // The stored length counts the terminating zero, so readers that trust it get a whole string.
    return RegSetValueExA(opened.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool RegistryWin32::SetDefault(const std::string& key, const std::string& text, bool create) {
    return Write(key, nullptr, text, create);
}

bool RegistryWin32::WriteText(const std::string& key, const std::string& name, const std::string& text) {
    return Write(key, name.c_str(), text, true);
}

std::optional<std::string> RegistryWin32::ReadText(const std::string& key, const std::string& name) {
    const std::string userPath = userClasses_ + "\\" + key;
    const struct {
        HKEY root;
        const std::string& path;
    } places[] = {{HKEY_CURRENT_USER, userPath}, {HKEY_CLASSES_ROOT, key}};
    for (const auto& place : places) {
        RegKey opened;
        if (RegOpenKeyExA(place.root, place.path.c_str(), 0, KEY_QUERY_VALUE, opened.Receive()) !=
            ERROR_SUCCESS)
            continue;
        if (auto text = ReadRegistryString(opened.Get(), name.c_str())) return text;
    }
    return std::nullopt;
}
