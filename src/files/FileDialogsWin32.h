#pragma once
// The system's open and save dialogs with the settings files' extension and filter, the read-only
// box hidden, and a question before an existing file is replaced; and the save dialog for exports.
#include <windows.h>

#include "files/FileCommands.h"

class FileDialogsWin32 : public FileDialogs {
public:
    explicit FileDialogsWin32(HWND ownerWindow = nullptr) : owner(ownerWindow) {}
    void SetOwner(HWND window) { owner = window; }

    std::optional<std::string> ChooseFileToOpen() override;
    std::optional<std::string> ChooseFileToSave(const std::string& initialName) override;
    std::optional<std::string> ChooseExportFile(const std::string& initialName, ExportFormat format) override;

    // The files a dialog offers: its filter ('|' between entries) and the default extension.
    struct Kind {
        const char* filter;
        const char* extension;
    };

private:
    enum class Purpose { Open, Save };
    std::optional<std::string> Choose(Purpose purpose, const Kind& kind, const std::string& initialName);
    HWND owner;
};
