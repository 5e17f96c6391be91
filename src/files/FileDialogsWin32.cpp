#include "files/FileDialogsWin32.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "common/WideTextWin32.h"

namespace {

// The filter as the dialogs take it: every '|' a terminating zero.
std::wstring DialogFilter(const char* filter) {
    std::wstring wide = Wide(filter);
    std::replace(wide.begin(), wide.end(), L'|', L'\0');
    return wide;
}

// Room for the longest path the file system takes, and never less than the initial name.
constexpr size_t kNameRoom = 32768;

} // namespace

std::optional<std::string> FileDialogsWin32::ChooseFileToOpen() { return Choose(false, std::string()); }

std::optional<std::string> FileDialogsWin32::ChooseFileToSave(const std::string& initialName) {
    return Choose(true, initialName);
}

std::optional<std::string> FileDialogsWin32::Choose(bool save, const std::string& initialName) {
    const std::wstring filter = DialogFilter(kFileDialogFilter);
    const std::wstring defaultExtension = Wide(kSettingsExtension);
    const std::wstring initial = Wide(initialName);
    std::vector<wchar_t> name(std::max(kNameRoom, initial.size() + 1), L'\0');
    std::copy(initial.begin(), initial.end(), name.begin());
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.lpstrDefExt = defaultExtension.c_str();
    dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen) return std::nullopt;
    return Utf8(name.data());
}
