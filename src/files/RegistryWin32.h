#pragma once
// The registry store on Windows. Writes go to the user's own classes
// (HKEY_CURRENT_USER\Software\Classes), which HKEY_CLASSES_ROOT merges, so a standard user can
// write them; reads look there first and then in HKEY_CLASSES_ROOT, with query rights only.
#include <windows.h>

#include <string>

#include "files/Preferences.h"

class RegistryWin32 : public RegistryStore {
public:
    // userClasses: where writes go and reads look first, under HKEY_CURRENT_USER.
    explicit RegistryWin32(std::string userClasses = "Software\\Classes")
        : userClasses_(std::move(userClasses)) {}

    bool SetDefault(const std::string& key, const std::string& text, bool create) override;
    bool WriteText(const std::string& key, const std::string& name, const std::string& text) override;
    std::optional<std::string> ReadText(const std::string& key, const std::string& name) override;

private:
    bool Write(const std::string& key, const char* name, const std::string& text, bool create);
    std::string userClasses_;
};

// Reads a REG_SZ value of an open key as UTF-8 (name too): nothing when it is missing, of another
// type, or changes length between the two reads. The text ends at its first zero, written or not.
std::optional<std::string> ReadRegistryString(HKEY key, const char* name);

// The full file name of the running program (UTF-8), however long.
std::string ProgramFileName();
