#include "files/FileCommands.h"

class FileCommands::BusyScope {
public:
    explicit BusyScope(bool& flag) : busy(flag) { busy = true; }
    ~BusyScope() { busy = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& busy;
};

bool FileCommands::PromptSave() {
    if (busy) return false;
    BusyScope scope(busy);
    return DoPromptSave();
}

void FileCommands::Open() {
    if (busy) return;
    BusyScope scope(busy);
    if (DoPromptSave()) LoadSetup(std::nullopt);
}

void FileCommands::Save() {
    if (busy) return;
    BusyScope scope(busy);
    if (!parts.document.path.empty())
        SaveSetup(parts.document.path);
    else
        DoSaveAs();
}

bool FileCommands::SaveAs() {
    if (busy) return false;
    BusyScope scope(busy);
    return DoSaveAs();
}

void FileCommands::OpenPath(const std::string& path) {
    if (busy) return;
    BusyScope scope(busy);
    // The question comes first, even for a file that is then not taken.
    if (!DoPromptSave()) return;
    std::string target = path;
    if (IsShortcutName(path)) {
        const Shell::Shortcut shortcut = parts.shell.ResolveShortcut(path);
        if (shortcut.status == Shell::Shortcut::NoPath) parts.window.ShowMessage("GetPath failed!");
        if (shortcut.status != Shell::Shortcut::Resolved) return;
        target = shortcut.target;
    }
    if (!IsSettingsName(target)) return;
    const std::optional<std::string> full = parts.shell.FullPath(target);
    if (!full) {
        parts.window.ShowMessage(PathNotFoundText(target));
        return;
    }
    // The document's path changes only when the load succeeds, so a failed open never leaves
    // Save pointing at the file that failed.
    LoadSetup(*full);
}

bool FileCommands::DoPromptSave() {
    SongDocument& doc = parts.document;
    if (doc.dirty == 0) return true;
    switch (parts.prompt.Ask(SavePromptText(doc.path))) {
    case SaveAnswer::Cancel: return false;
    case SaveAnswer::Save:
        if (doc.path.empty())
            DoSaveAs();
        else
            SaveSetup(doc.path);
        return doc.dirty == 0;
    default: return true;
    }
}

bool FileCommands::DoSaveAs() {
    SongDocument& doc = parts.document;
    const std::optional<std::string> chosen =
        parts.dialogs.ChooseFileToSave(doc.path.empty() ? std::string(kUntitledName) : doc.path);
    const bool saved = chosen && SaveSetup(*chosen);
    parts.window.FocusHandling();
    return saved;
}

bool FileCommands::LoadSetup(const std::optional<std::string>& path) {
    // A popup left open would write its next click into the setup that replaces this one.
    parts.window.HideMeasurePopup();
    std::optional<std::string> chosen = path;
    if (!chosen) chosen = parts.dialogs.ChooseFileToOpen();
    bool loaded = false;
    if (chosen) {
        SettingsFile file(parts.document, parts.files);
        LoadedPlacement placement;
        std::string error;
        loaded = file.Read(*chosen, placement, error);
        if (loaded)
            ApplyLoaded(placement);
        else
            parts.window.ShowMessage(error);
    }
    parts.window.FocusHandling();
    return loaded;
}

void FileCommands::ApplyLoaded(const LoadedPlacement& placement) {
    SongDocument& doc = parts.document;
    SetupWindow& window = parts.window;
    window.Hide();
    window.SetCaption(doc.title);
    parts.panel.ShowDocument();
    window.ResizeToSteps(doc.stepsPerMeasure);
    window.MoveTo(ScreenPoint{placement.left, placement.top});
    window.ApplySkin(placement.skinColour);
    window.Show();
    window.UpdateColumnCount();
    // Resizing the window has marked the setup changed; as loaded, it is not.
    doc.dirty = 0;
}

bool FileCommands::SaveSetup(const std::string& path) {
    SettingsFile file(parts.document, parts.files);
    std::string error;
    const ScreenPoint at = parts.window.RestoredPosition();
    if (!file.Write(path, at.x, at.y, parts.window.SkinColour(), error)) {
        parts.window.ShowMessage(error);
        return false;
    }
    parts.window.SetCaption(parts.document.title);
    return true;
}

void FileCommands::Export(ExportFormat format) {
    if (busy) return;
    BusyScope scope(busy);
    const SongDocument& doc = parts.document;
    const std::optional<std::string> chosen =
        parts.dialogs.ChooseExportFile(ExportName(doc.path, format), format);
    if (chosen) {
        // Ten minutes of sound take a fraction of a second, but not nothing: the wait cursor says so.
        parts.window.ShowBusy(Busy::Yes);
        const FileError result = parts.files.WriteReplace(*chosen, parts.render(doc, format));
        parts.window.ShowBusy(Busy::No);
        if (result != FileError::None) parts.window.ShowMessage(FileErrorText(result, *chosen));
    }
    parts.window.FocusHandling();
}
