#include "files/FileDialogsWin32.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

namespace {

// The filter as the dialogs take it: every '|' a terminating zero.
std::vector<char> DialogFilter() {
    std::vector<char> filter(kFileDialogFilter, kFileDialogFilter + sizeof kFileDialogFilter);
    std::replace(filter.begin(), filter.end(), '|', '\0');
    return filter;
}

// Room for the longest path the file system takes, and never less than the initial name.
constexpr size_t kNameRoom = 32768;

} // namespace

std::optional<std::string> FileDialogsWin32::ChooseFileToOpen() { return Choose(false, std::string()); }

std::optional<std::string> FileDialogsWin32::ChooseFileToSave(const std::string& initialName) {
    return Choose(true, initialName);
}

std::optional<std::string> FileDialogsWin32::Choose(bool save, const std::string& initialName) {
    const std::vector<char> filter = DialogFilter();
    std::vector<char> name(std::max(kNameRoom, initialName.size() + 1), '\0');
    std::copy(initialName.begin(), initialName.end(), name.begin());
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = filter.data();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.lpstrDefExt = kSettingsExtension;
    dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
    const BOOL chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (!chosen) return std::nullopt;
    return std::string(name.data());
}
