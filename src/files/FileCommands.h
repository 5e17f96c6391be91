#pragma once
// Open, Save, Save As, the save prompt, opening a named or dropped file and following a shortcut
// to it: which file is chosen, when unsaved changes are guarded, and in what order a loaded setup
// reaches the panel and the window. The dialogs, the shell and the window are seams, so the rules
// run the same under test as in the program. Paths and the texts that name them are UTF-8. UI
// thread only.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/DocumentView.h"
#include "files/FileRules.h"
#include "files/FileSystem.h"
#include "files/SettingsFile.h"
#include "song/SongDocument.h"

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The full path chosen, or nothing when the dialog was cancelled.
    virtual std::optional<std::string> ChooseFileToOpen() = 0;
    virtual std::optional<std::string> ChooseFileToSave(const std::string& initialName) = 0;
    // A save dialog for the format's files, offering initialName; it asks before replacing a file.
    virtual std::optional<std::string> ChooseExportFile(const std::string& initialName,
                                                        ExportFormat format) = 0;
};

enum class SaveAnswer { Cancel, Save, DontSave };

// The "save changes" question.
class SavePrompt {
public:
    virtual ~SavePrompt() = default;
    // Shows text and waits for the user's answer.
    virtual SaveAnswer Ask(const std::string& text) = 0;
};

class Shell {
public:
    struct Shortcut {
        enum Status { Resolved, Unresolved, NoPath } status = Unresolved;
        std::string target;
    };
    virtual ~Shell() = default;
    // Unresolved: not a shortcut the shell can load and resolve. NoPath: resolved, but the
    // shell gives no file-system path for its target.
    virtual Shortcut ResolveShortcut(const std::string& path) = 0;
    // The full file-system path of an existing item, or nothing when the shell cannot parse it.
    // Under Wine a Linux path is taken as well: Wine maps it onto a drive.
    virtual std::optional<std::string> FullPath(const std::string& path) = 0;
};

enum class Busy { No, Yes };

// What loading and saving do to the main window: its placement, caption and skin.
class SetupWindow {
public:
    virtual ~SetupWindow() = default;
    virtual void HideMeasurePopup() = 0;
    virtual void Hide() = 0;
    virtual void Show() = 0;
    virtual void SetCaption(const std::string& title) = 0;
    virtual void ResizeToSteps(int steps) = 0;
    // Moves the window's top-left corner there, keeping its size; a window that would lie on no
    // screen goes onto the nearest one's work area instead.
    virtual void MoveTo(ScreenPoint topLeft) = 0;
    // The panel's new skin, and the window's background taken from it.
    virtual void ApplySkin(uint32_t colour) = 0;
    virtual void UpdateColumnCount() = 0;
    // Where the window's top-left corner is when it is neither minimised nor maximised.
    virtual ScreenPoint RestoredPosition() = 0;
    // The skin colour the panel was last given.
    virtual uint32_t SkinColour() = 0;
    virtual void FocusHandling() = 0;
    // Shows that the program is busy (the wait cursor) until called with Busy::No.
    virtual void ShowBusy(Busy busy) = 0;
    // A message box with the caption "NOTE!" and one OK button; the text may name a file.
    virtual void ShowMessage(const std::string& text) = 0;
};

struct FileCommandParts {
    SongDocument& document;
    DocumentView& panel; // the panel controller: shows what was loaded
    SetupWindow& window;
    FileSystem& files;
    FileDialogs& dialogs;
    SavePrompt& prompt;
    Shell& shell;
    // The export's bytes for the setup, the document unchanged: the offline renderer's, handed in
    // because the renderer itself reads settings files and so builds on this folder.
    std::vector<uint8_t> (*render)(const SongDocument& doc, ExportFormat format);
};

class FileCommands {
public:
    explicit FileCommands(const FileCommandParts& commandParts) : parts(commandParts) {}
    virtual ~FileCommands() = default;
    FileCommands(const FileCommands&) = delete;
    FileCommands& operator=(const FileCommands&) = delete;

    // Each command below does nothing (and PromptSave answers no) while the prompt or a file
    // dialog of another command is open: a drop, a close request or a shortcut key arriving then
    // must not stack a second dialog on the first.

    // With unsaved changes, asks whether to save them; true when the caller may go on (saved,
    // not wanted, or nothing to save), false when the user cancelled or the save did not happen.
    bool PromptSave();
    // After the prompt, the open-file dialog, then the chosen file.
    void Open();
    // Saves in place; an untitled setup goes to Save As.
    void Save();
    // Asks for a name and saves there; true when the setup was saved.
    bool SaveAs();
    // A file named on the command line or dropped on the window: after the prompt, a settings
    // file (or a shortcut to one) is loaded; any other name is ignored without a message.
    void OpenPath(const std::string& path);
    // Loads path (or, when none, a file chosen in the open-file dialog); true when it loaded.
    bool LoadSetup(const std::optional<std::string>& path);
    // Writes the setup to path with the window's restored position and the panel's skin colour;
    // true when the whole file was written.
    bool SaveSetup(const std::string& path);
    // Export WAV... and Export MIDI...: a name from the save dialog, then the render written in
    // one step (a failure leaves no file behind and is reported). The setup does not change.
    void Export(ExportFormat format);

    bool Busy() const { return busy; }

private:
    class BusyScope;
    bool DoPromptSave();
    bool DoSaveAs();
    void ApplyLoaded(const LoadedPlacement& placement);

    FileCommandParts parts;
    bool busy = false;
};
