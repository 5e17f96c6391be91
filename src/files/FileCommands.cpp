#include "files/FileCommands.h"

class FileCommands::BusyScope {
public:
    explicit BusyScope(bool& flag) : busy_(flag) { busy_ = true; }
    ~BusyScope() { busy_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& busy_;
};

bool FileCommands::PromptSave() {
    if (busy_) return false;
    BusyScope scope(busy_);
    return DoPromptSave();
}

void FileCommands::Open() {
    if (busy_) return;
    BusyScope scope(busy_);
    if (DoPromptSave()) LoadSetup(std::nullopt);
}

void FileCommands::Save() {
    if (busy_) return;
    BusyScope scope(busy_);
    if (!parts_.document.path.empty())
        SaveSetup(parts_.document.path);
    else
        DoSaveAs();
}

bool FileCommands::SaveAs() {
    if (busy_) return false;
    BusyScope scope(busy_);
    return DoSaveAs();
}

void FileCommands::OpenPath(const std::string& path) {
    if (busy_) return;
    BusyScope scope(busy_);
    // The question comes first, even for a file that is then not taken.
    if (!DoPromptSave()) return;
    std::string target = path;
    if (IsShortcutName(path)) {
        const Shell::Shortcut shortcut = parts_.shell.ResolveShortcut(path);
        if (shortcut.status == Shell::Shortcut::NoPath) parts_.window.ShowMessage("GetPath failed!");
        if (shortcut.status != Shell::Shortcut::Resolved) return;
        target = shortcut.target;
    }
    if (!IsSettingsName(target)) return;
    const std::optional<std::string> full = parts_.shell.FullPath(target);
    if (!full) {
        parts_.window.ShowMessage(PathNotFoundText(target));
        return;
    }
    // The document's path changes only when the load succeeds, so a failed open never leaves
    // Save pointing at the file that failed.
    LoadSetup(*full);
}

bool FileCommands::DoPromptSave() {
    SongDocument& doc = parts_.document;
    if (doc.dirty == 0) return true;
    switch (parts_.prompt.Ask(SavePromptText(doc.path))) {
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
    SongDocument& doc = parts_.document;
    const std::optional<std::string> chosen =
        parts_.dialogs.ChooseFileToSave(doc.path.empty() ? std::string(kUntitledName) : doc.path);
    const bool saved = chosen && SaveSetup(*chosen);
    parts_.window.FocusHandling();
    return saved;
}

bool FileCommands::LoadSetup(const std::optional<std::string>& path) {
    // A popup left open would write its next click into the setup that replaces this one.
    parts_.window.HideMeasurePopup();
    std::optional<std::string> chosen = path;
    if (!chosen) chosen = parts_.dialogs.ChooseFileToOpen();
    bool loaded = false;
    if (chosen) {
        SettingsFile file(parts_.document, parts_.files);
        LoadedPlacement placement;
        std::string error;
        loaded = file.Read(*chosen, placement, error);
        if (loaded)
            ApplyLoaded(placement);
        else
            parts_.window.ShowMessage(error);
    }
    parts_.window.FocusHandling();
    return loaded;
}

void FileCommands::ApplyLoaded(const LoadedPlacement& placement) {
    SongDocument& doc = parts_.document;
    SetupWindow& window = parts_.window;
    window.Hide();
    window.SetCaption(doc.title);
    parts_.panel.ShowDocument();
    window.ResizeToSteps(doc.stepsPerMeasure);
    window.MoveTo(ScreenPoint{placement.left, placement.top});
    window.ApplySkin(placement.skinColour);
    window.Show();
    window.UpdateColumnCount();
    // Resizing the window has marked the setup changed; as loaded, it is not.
    doc.dirty = 0;
}

bool FileCommands::SaveSetup(const std::string& path) {
    SettingsFile file(parts_.document, parts_.files);
    std::string error;
    const ScreenPoint at = parts_.window.RestoredPosition();
    if (!file.Write(path, at.x, at.y, parts_.window.SkinColour(), error)) {
        parts_.window.ShowMessage(error);
        return false;
    }
    parts_.window.SetCaption(parts_.document.title);
    return true;
}

void FileCommands::Export(ExportFormat format) {
    if (busy_) return;
    BusyScope scope(busy_);
    const SongDocument& doc = parts_.document;
    const std::optional<std::string> chosen =
        parts_.dialogs.ChooseExportFile(ExportName(doc.path, format), format);
    if (chosen) {
        // Ten minutes of sound take a fraction of a second, but not nothing: the wait cursor says so.
        parts_.window.ShowBusy(Busy::Yes);
        const FileError result = parts_.files.WriteReplace(*chosen, parts_.render(doc, format));
        parts_.window.ShowBusy(Busy::No);
        if (result != FileError::None) parts_.window.ShowMessage(FileErrorText(result, *chosen));
    }
    parts_.window.FocusHandling();
}
