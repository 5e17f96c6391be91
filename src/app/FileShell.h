#pragma once
// The main window's file side on Windows: the file commands with the real dialogs, shell, file
// system and window behind them, the settings-file type registration and the clock preference.
// The command table calls the public operations; the main window calls StartUp from its
// initialisation, OnDropFiles for WM_DROPFILES and PromptSave for a close request.
#include <windows.h>

#include <shellapi.h>

#include <optional>
#include <string>

#include "app/SetupWindowWin32.h"
#include "files/FileCommands.h"
#include "files/FileDialogsWin32.h"
#include "files/FileSystemWin32.h"
#include "files/RegistryWin32.h"
#include "files/SavePromptWin32.h"
#include "files/ShellWin32.h"

class MainWindow;

class FileShell {
public:
    explicit FileShell(MainWindow& window);
    virtual ~FileShell() = default;
    FileShell(const FileShell&) = delete;
    FileShell& operator=(const FileShell&) = delete;

    // Start-up, once the panel, controller and engine are ready: registers the file type, opens
    // the file named on the command line (UTF-8, as the system gave it in UTF-16) or makes a
    // fresh random setup, then loads the clock preference.
    void StartUp(const std::string& commandLine);

    // Commands 21001 Open, 21002 Save, 21003 Save As; Exit is a close request to the window,
    // whose handling calls PromptSave.
    void Open() { commands.Open(); }
    void Save() { commands.Save(); }
    bool SaveAs() { return commands.SaveAs(); }
    bool PromptSave() { return commands.PromptSave(); }
    void OpenPath(const std::string& path) { commands.OpenPath(path); }
    // Commands 21005 Export WAV... and 21006 Export MIDI...
    void Export(ExportFormat format) { commands.Export(format); }
    // The first dropped name is opened; the drop is always released.
    void OnDropFiles(HDROP drop);

    // Command 32771 Use High-Res Timer: flips the document's choice, hands it to the clock and
    // stores it; the setup does not count as changed.
    void ToggleHighResTimer();
    // The voice the user last chose, if any, and storing a new choice beside the clock's.
    std::optional<bool> StoredSoundCardChoice();
    void StoreSoundCardChoice(bool soundCard);
    void RegisterFileType();
    void LoadPreferences();
    void SavePreferences();

    FileCommands& Commands() { return commands; }

private:
    MainWindow& window;
    FileSystemWin32 files;
    ShellWin32 shell;
    FileDialogsWin32 dialogs;
    SavePromptWin32 prompt;
    SetupWindowWin32 setupWindow;
    RegistryWin32 registry;                        // the user's classes: preferences and file type
    RegistryWin32 machineClasses{kMachineClasses}; // the file type once more, where the shell reads
    FileCommands commands;
};

// The name of the first file in a drop (UTF-8), of any length; empty when the drop holds none.
std::string FirstDroppedName(HDROP drop);
