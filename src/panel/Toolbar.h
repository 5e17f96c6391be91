#pragma once
// The three picture buttons at the top left of the panel (FILE, EDIT, MIDI) and the invisible
// command window over them. The command window is a child "STATIC" window that paints nothing
// and lets the mouse through, so the buttons, drawn by the main window, take their clicks as
// ordinary widgets; it owns the popup menus and is the target of the keyboard shortcuts.
#include <windows.h>

#include <string>

#include "panel/ToolbarMenu.h"
#include "song/MeasureClipboardWin32.h"
#include "song/SongDocument.h"
#include "widgets/MBmpButton.h"
#include "widgets/SkinPalette.h"

// Receives every command the menus and the keyboard shortcuts give the command window.
class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    virtual void RunCommand(int id) = 0;
    // Tells the user of a failure that ended a command; the program carries on.
    virtual void ReportFault(const char* what) = 0;
    // Whether the tones sound through the sound card, for the menu's check mark.
    virtual bool SoundCardInUse() const { return false; }
};

class Toolbar {
public:
    static constexpr int kFileId = 1002;
    static constexpr int kEditId = 1003;
    static constexpr int kMidiId = 1004;

    Toolbar();
    virtual ~Toolbar();
    Toolbar(const Toolbar&) = delete;
    Toolbar& operator=(const Toolbar&) = delete;

    // Creates the command window (text, child of mainWindow), the three buttons at (x, y),
    // (x + 18, y) and (x + 36, y), then lays the command window over the buttons' union. The
    // colour is not used.
    void Create(const std::string& text, int x, int y, COLORREF colour, HWND mainWindow);
    // Attaches the document; the measure clipboard registers its format and fills its buffers.
    void SetDocument(SongDocument* doc);
    void SetCommandTarget(CommandTarget* target) { commandTarget = target; }
    // Opens the menu of button 0 (FILE), 1 (EDIT) or 2 (MIDI) at the button's bottom-left corner,
    // with its items' states set from the setup; returns when the menu closes.
    void PopupMenu(ToolbarMenu menu);
    void PopupFileMenu() { PopupMenu(ToolbarMenu::File); }
    void PopupEditMenu() { PopupMenu(ToolbarMenu::Edit); }
    void PopupMidiMenu() { PopupMenu(ToolbarMenu::Midi); }
    MeasureClipboard& Clipboard() { return clipboard; }
    // FILE: ink baseLight, paper baseDark; EDIT: contrast, contrastDark; MIDI: baseDark,
    // baseLight. A button's pressed pair is its plain pair: the press shows only by its picture.
    void ApplySkin(COLORREF colour);

    HWND CommandWindow() const { return commandWindow; }
    MBmpButton& FileButton() { return fileButton; }
    MBmpButton& EditButton() { return editButton; }
    MBmpButton& MidiButton() { return midiButton; }
    int X() const { return x; }
    int Y() const { return y; }

private:
    static LRESULT CALLBACK CommandWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR subclassId, DWORD_PTR refData);
    // Hands the command to the target; a failure is reported instead of leaving the procedure.
    void RunCommand(int id);

    HWND commandWindow = nullptr;
    HWND mainWindow = nullptr;
    int x = 0;
    int y = 0;
    SongDocument* document = nullptr;
    CommandTarget* commandTarget = nullptr;
    MeasureClipboard clipboard;
    SkinPalette palette;
    MBmpButton fileButton;
    MBmpButton editButton;
    MBmpButton midiButton;
};
