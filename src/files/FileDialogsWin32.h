#pragma once
// The system's open and save dialogs with the settings files' extension and filter, the read-only
// box hidden, and a question before an existing file is replaced.
#include <windows.h>

#include "files/FileCommands.h"

class FileDialogsWin32 : public FileDialogs {
public:
    explicit FileDialogsWin32(HWND owner = nullptr) : owner_(owner) {}
    void SetOwner(HWND owner) { owner_ = owner; }

    std::optional<std::string> ChooseFileToOpen() override;
    std::optional<std::string> ChooseFileToSave(const std::string& initialName) override;

private:
    std::optional<std::string> Choose(bool save, const std::string& initialName);
    HWND owner_;
};
