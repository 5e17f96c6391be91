#pragma once
// The registry store on Windows, for one place that holds classes. The user's own classes
// (HKEY_CURRENT_USER\Software\Classes) are merged into HKEY_CLASSES_ROOT, so a standard user can
// write them; the machine's (HKEY_LOCAL_MACHINE\Software\Classes) are where HKEY_CLASSES_ROOT
// resolves for everyone, and all that Wine's shell reads, but only an administrator may write them.
// Reads look in the store's own place first and then in HKEY_CLASSES_ROOT, with query rights only.
#include <windows.h>

#include <string>

#include "files/Preferences.h"

struct RegistryClasses {
    HKEY root = HKEY_CURRENT_USER;
    std::string key = "Software\\Classes";
};
inline const RegistryClasses kMachineClasses{.root = HKEY_LOCAL_MACHINE, .key = "Software\\Classes"};

class RegistryWin32 : public RegistryStore {
public:
    explicit RegistryWin32(RegistryClasses fileClasses = {}) : classes(std::move(fileClasses)) {}

    Outcome SetDefault(const std::string& key, const std::string& text, Key which) override;
    bool WriteText(const std::string& key, const std::string& name, const std::string& text) override;
    std::optional<std::string> ReadText(const std::string& key, const std::string& name) override;

private:
    Outcome Write(const std::string& key, const char* name, const std::string& text, Key which);
    RegistryClasses classes;
};

// Reads a REG_SZ value of an open key as UTF-8 (name too): nothing when it is missing, of another
// type, or changes length between the two reads. The text ends at its first zero, written or not.
std::optional<std::string> ReadRegistryString(HKEY key, const char* name);

// The full file name of the running program (UTF-8), however long.
std::string ProgramFileName();
