#pragma once
// Shortcuts and full paths through the shell: the link object resolves a .lnk file, the desktop
// folder turns a name into the item's full path.
#include <windows.h>

#include <optional>
#include <string>

#include "files/FileCommands.h"

class ShellWin32 : public Shell {
public:
    // owner: the window for any user interface the shell shows while resolving (may be null).
    explicit ShellWin32(HWND ownerWindow = nullptr) : owner(ownerWindow) {}
    void SetOwner(HWND window) { owner = window; }

    // The target comes back in its short 8.3 form, as the shell gives it for old programs.
    Shortcut ResolveShortcut(const std::string& path) override;
    // A relative name is taken from the current folder first.
    std::optional<std::string> FullPath(const std::string& path) override;
    // True when name is an existing file (not a folder). Under Wine the file calls take a Linux
    // path as well (/home/me/a.^¶^ is Z:\home\me\a.^¶^).
    static bool NamesExistingFile(const std::string& name);

private:
    HWND owner;
};
