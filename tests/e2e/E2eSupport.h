#pragma once
// Starting the real program, finding its window and closing it, from outside its process.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "WaitFor.h"

// The test build: the program with the probe's hooks (app/ProbeHooks.h) and its tone log.
inline constexpr char kProbeExe[] = "kestrelbox_probe.exe";

struct RunningCopy {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;
};

// A copy that is ended when the test is done with it.
class ScopedCopy {
public:
    explicit ScopedCopy(const std::vector<std::string>& environment = {},
                        const char* exeName = "kestrelbox.exe", const std::string& arguments = "");
    ~ScopedCopy();
    ScopedCopy(const ScopedCopy&) = delete;
    ScopedCopy& operator=(const ScopedCopy&) = delete;
    HWND Window() const { return copy.window; }
    RunningCopy copy;
};

// The voice every copy this harness starts is told to use: stated in the prefix's registry before
// each start, as the user's choice would be stored, so whether a sound server runs never decides
// what a test sees. The speaker, unless a test says otherwise for as long as a ScopedVoice lives.
enum class HarnessVoice { Speaker, SoundCard, MachineDecides };
class ScopedVoice {
public:
    explicit ScopedVoice(HarnessVoice voice);
    ~ScopedVoice();
    ScopedVoice(const ScopedVoice&) = delete;
    ScopedVoice& operator=(const ScopedVoice&) = delete;

private:
    HarnessVoice previous;
};

// Full path (UTF-8) of a program built next to the test executable.
std::string ProgramPath(const char* exeName = "kestrelbox.exe");

// Starts the program with the given argument text (UTF-8) and extra "NAME=value" environment
// entries, and waits up to timeoutMs for its main window. window stays null when none appeared.
// workingFolder (UTF-8): the folder it starts in; empty, this process's.
RunningCopy StartCopy(const std::string& arguments = "", const std::vector<std::string>& environment = {},
                      const char* exeName = "kestrelbox.exe", DWORD timeoutMs = 30000,
                      const std::string& workingFolder = "");

// The visible top-level window of process pid whose title begins with the program's caption.
HWND FindMainWindow(DWORD pid, DWORD timeoutMs);

// Posts a close request and waits for the process to end; true when it ended in time.
bool CloseCopy(RunningCopy& copy, DWORD timeoutMs = 15000);

// Ends the process if it still runs and releases its handles.
void EndCopy(RunningCopy& copy);

// A window's text as programs that read it in the ANSI code page see it (other copies do).
std::string WindowTitle(HWND window);
// A window's text in full, as UTF-8.
std::string WindowText(HWND window);
SIZE ClientSize(HWND window);

// The text of a window of any process.
std::string FieldText(HWND field);
// The text field of step column k's note cell (k = 1..16), and all sixteen texts.
HWND NoteField(HWND window, int k);
std::vector<std::string> NoteTexts(HWND window);
COLORREF ClientPixel(HWND window, int x, int y);

// A left click at a client position, posted as the mouse messages the window would get.
void PostClick(HWND window, int x, int y);
void PostRightClick(HWND window, int x, int y);
// A key press and release posted to the window.
void PressKey(HWND window, WPARAM key);
// A key press and release as keyboard input to the window in front. Unlike posted keys these
// queue behind the modifier keys held before them, so a shortcut sees its Control.
void StrikeKey(BYTE key);
// Types text into a field of another process as keyboard characters, after selecting all of it.
void TypeInto(HWND field, const std::string& text);

// Holds a key (Control, Shift, Alt) in the system's key state, which every process reads, for a
// copy of the test build whose main window is target. Key events go to the window in front, so
// the target is brought there first. The key counts once the copy answers that it sees it held
// (kProbeKeyHeld); IsHeld tells whether it did. It counts as released once the copy sees that.
class HeldKey {
public:
    HeldKey(HWND target, BYTE key);
    ~HeldKey();
    HeldKey(const HeldKey&) = delete;
    HeldKey& operator=(const HeldKey&) = delete;

    bool IsHeld() const { return held; }

private:
    bool TargetSeesHeld() const;

    HWND target;
    BYTE key;
    bool held = false;
};

// A file in the temporary folder named for this test process.
std::string TempPath(const std::string& name);

// The tones a test build has logged: when, which note, how long.
struct LoggedTone {
    unsigned long ms;
    int note;
    int lengthMs;
};
std::vector<LoggedTone> LoggedTones(const std::string& path);

// --- Files, dialogs and the probe's requests ------------------------------------------------------

// The whole file at a UTF-8 path (empty when it cannot be read), and writing one anew.
std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
bool FileExists(const std::string& path);

// A folder of the temporary folder, named for this test process, removed with all it holds.
class ScopedFolder {
public:
    explicit ScopedFolder(const std::string& name); // UTF-8
    ~ScopedFolder();
    ScopedFolder(const ScopedFolder&) = delete;
    ScopedFolder& operator=(const ScopedFolder&) = delete;
    // The folder's path, ending in a backslash.
    const std::string& Path() const { return path; }

private:
    std::string path;
};

// A visible top-level window of the copy that satisfies match, waited for (null when none came).
HWND WaitForWindow(const RunningCopy& copy, std::function<bool(HWND)> match, DWORD timeoutMs = 20000);
// One whose title, read as other copies read it, is caption.
HWND WaitForCaption(const RunningCopy& copy, const std::string& caption, DWORD timeoutMs = 20000);
// Every text of a window's children (UTF-8), one per line.
std::string ChildTexts(HWND window);
// A button of a dialog pressed, as by a click.
void ClickButton(HWND dialog, int id);
std::string ClassOf(HWND window);
// The system's file dialog of the copy (open or save), once it is up.
HWND WaitForFileDialog(const RunningCopy& copy);
// What a file dialog's name field holds (UTF-8).
std::string FileDialogName(HWND dialog);
// Types a full path into a file dialog's name field and presses its OK button.
void ChooseInFileDialog(HWND dialog, const std::string& path);

// A menu command or keyboard shortcut's command, as the toolbar's command window receives it.
void RunMenuCommand(HWND mainWindow, int command);

// What the test build takes by WM_COPYDATA (app/ProbeHooks.h): a UTF-8 path dropped, Save, or
// whether a key is held. True when the copy took the request (answered yes).
bool SendProbe(HWND window, ULONG_PTR what, const std::string& data = "");

// --- Wine --------------------------------------------------------------------------------------

bool UnderWine();
// The Linux path of a Windows path under Wine (UTF-8 both), and the reverse.
std::optional<std::string> UnixPathOf(const std::string& windowsPath);
std::optional<std::string> WindowsPathOf(const std::string& unixPath);
