#pragma once
// An open registry key, closed on scope exit. Windows only.
#include <windows.h>

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key != nullptr) RegCloseKey(key);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    // Where RegOpenKeyEx or RegCreateKeyEx writes the key this object then owns.
    HKEY* Receive() { return &key; }
    HKEY Get() const { return key; }

private:
    HKEY key = nullptr;
};
