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

constexpr FileDialogsWin32::Kind kSettingsKind{kFileDialogFilter, kSettingsExtension};

} // namespace

std::optional<std::string> FileDialogsWin32::ChooseFileToOpen() {
    return Choose(Purpose::Open, kSettingsKind, std::string());
}

std::optional<std::string> FileDialogsWin32::ChooseFileToSave(const std::string& initialName) {
    return Choose(Purpose::Save, kSettingsKind, initialName);
}

std::optional<std::string> FileDialogsWin32::ChooseExportFile(const std::string& initialName,
                                                              ExportFormat format) {
    const ExportFileKind kind = ExportFileKindOf(format);
    return Choose(Purpose::Save, Kind{kind.filter, kind.extension}, initialName);
}

std::optional<std::string> FileDialogsWin32::Choose(Purpose purpose, const Kind& kind,
                                                    const std::string& initialName) {
    const std::wstring filter = DialogFilter(kind.filter);
    const std::wstring defaultExtension = Wide(kind.extension);
    const std::wstring initial = Wide(initialName);
    std::vector<wchar_t> name(std::max(kNameRoom, initial.size() + 1), L'\0');
    std::copy(initial.begin(), initial.end(), name.begin());
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.lpstrDefExt = defaultExtension.c_str();
    dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
    const BOOL chosen = purpose == Purpose::Save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen) return std::nullopt;
    return Utf8(name.data());
}
