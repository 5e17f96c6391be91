#pragma once
// The "save changes" question: dialog resource SAVECHANGESDLG, modal over its owner, with the
// text in control 200 and the answers Save (1), Cancel (0, also Escape and the close box) and
// Don't Save (2).
#include <windows.h>

#include "ResourceIds.h"
#include "files/FileCommands.h"

class SavePromptWin32 : public SavePrompt {
public:
    static constexpr int kTextId = IDC_SAVE_PROMPT_TEXT;
    static constexpr int kDontSaveId = IDC_DONT_SAVE;

    explicit SavePromptWin32(HWND ownerWindow = nullptr) : owner(ownerWindow) {}
    void SetOwner(HWND window) { owner = window; }

    SaveAnswer Ask(const std::string& text) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    HWND owner;
};

// The prompt's caption, six spaces first and one last; bytes of code page 1252.
inline constexpr char kSavePromptCaption[] = "      \x80 \xA7 \xB6 \xB0 \xA4 \xB0 \xA4 \xB0 ";
