#include "app/FileShell.h"

#include <shlobj.h>

#include <vector>

#include "app/MainWindow.h"
#include "common/WideTextWin32.h"
#include "render/ExportRender.h"

namespace {

class DropHandle {
public:
    explicit DropHandle(HDROP handle) : drop(handle) {}
    ~DropHandle() {
        if (drop != nullptr) DragFinish(drop);
    }
    DropHandle(const DropHandle&) = delete;
    DropHandle& operator=(const DropHandle&) = delete;
    HDROP Get() const { return drop; }

private:
    HDROP drop;
};

} // namespace

std::string FirstDroppedName(HDROP drop) {
    if (drop == nullptr || DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 0) return {};
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    if (length == 0) return {};
    std::vector<wchar_t> name(length + 1, L'\0');
    const UINT got = DragQueryFileW(drop, 0, name.data(), length + 1);
    return Utf8(std::wstring_view(name.data(), got <= length ? got : length));
}

FileShell::FileShell(MainWindow& mainWindow)
    : window(mainWindow), setupWindow(mainWindow),
      commands(FileCommandParts{.document = mainWindow.Document(),
                                .panel = mainWindow.Controller(),
                                .window = setupWindow,
                                .files = files,
                                .dialogs = dialogs,
                                .prompt = prompt,
                                .shell = shell,
                                .render = RenderExport}) {}

void FileShell::StartUp(const std::string& commandLine) {
    HWND owner = window.Handle();
    shell.SetOwner(owner);
    dialogs.SetOwner(owner);
    prompt.SetOwner(owner);
    RegisterFileType();
    PanelController& controller = window.Controller();
    if (const std::optional<std::string> file = StartupFile(commandLine, ShellWin32::NamesExistingFile))
        commands.OpenPath(*file);
    // No file, or one that did not load (and has been reported): a fresh random setup.
    if (window.Document().path.empty()) {
        controller.FreshSetup();
        controller.SetLevelB(80);
        controller.SetTranspose(0);
    }
    LoadPreferences();
}

void FileShell::OnDropFiles(HDROP drop) {
    std::string name;
    {
        DropHandle handle(drop);
        name = FirstDroppedName(handle.Get());
    }
    if (!name.empty()) commands.OpenPath(name);
}

void FileShell::RegisterFileType() {
    const std::string program = ProgramFileName();
    const bool forUser = ::RegisterFileType(registry, program);
    // Every user's classes, which HKEY_CLASSES_ROOT resolves to and which are all that Wine's shell
    // reads. A standard user on Windows may not write them: that refusal is no error.
    const bool forMachine = ::RegisterFileType(machineClasses, program);
    // Told of a change, the shell refreshes what it shows; Wine's also has its menu builder turn
    // the type into desktop entries for Linux file managers.
    if (forUser || forMachine) SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

void FileShell::LoadPreferences() {
    SongDocument& doc = window.Document();
    doc.highResTimer = LoadHighResPreference(registry) ? 1 : 0;
    window.Timer().SetHighResolution(doc.highResTimer != 0);
}

void FileShell::SavePreferences() { SaveHighResPreference(registry, window.Document().highResTimer != 0); }

void FileShell::ToggleHighResTimer() {
    SongDocument& doc = window.Document();
    doc.highResTimer = doc.highResTimer != 0 ? 0 : 1;
    window.Timer().SetHighResolution(doc.highResTimer != 0);
    SavePreferences();
}

std::optional<bool> FileShell::StoredSoundCardChoice() { return LoadSoundCardPreference(registry); }

void FileShell::StoreSoundCardChoice(bool soundCard) { SaveSoundCardPreference(registry, soundCard); }
