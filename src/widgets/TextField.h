#pragma once
// A one-line edit control with its own colours, font and cursor. It answers its parent's colour
// requests and change notifications itself, so owners need no code for it: every owner window
// that hosts fields gets one dispatcher in front of its window procedure, which hands each such
// message to the field it concerns.
#include <windows.h>

#include <string>

#include "widgets/GdiHandles.h"

// A normal-weight font of the face at a size in tenths of a point, for the screen. The caller
// owns it.
HFONT CreateFontInPoints(const std::string& face, int tenthsOfPoint);

enum class TextAlign { Left, Center, Right };

// Everything a field is made from. An ink of 0 means the highlight colour and a paper of 0 the
// button-face colour. A field of width or height 0 is unseen and not a tab stop, but still holds
// its text: it has no window (Handle() is null).
struct TextFieldSettings {
    int id = 0;
    HWND owner = nullptr;
    COLORREF ink = 0;
    COLORREF paper = 0;
    int x = 0, y = 0, width = 0, height = 0;
    TextAlign alignment = TextAlign::Left;
};

class TextField {
public:
    TextField();
    virtual ~TextField();
    TextField(const TextField&) = delete;
    TextField& operator=(const TextField&) = delete;

    bool Create(const TextFieldSettings& settings);

    // Repaints with the new colours at the next paint; the own brush follows the paper.
    void SetColors(COLORREF ink, COLORREF paper);
    // Face and size in tenths of a point (0 means 9 points, an empty face "Arial").
    void SetFont(const std::string& face, int tenthsOfPoint);
    // Uses a font or brush that someone else owns from now on.
    void UseFont(HFONT font);
    void UseBrush(HBRUSH brush);

    // Writes the text as the program's, not the user's: the modified flag ends clear.
    void SetText(const std::string& text);
    std::string GetText() const;
    bool IsModified() const;

    RECT GetRect() const { return rect; }
    int GetId() const { return id; }
    HWND GetOwner() const { return owner; }
    HWND Handle() const { return hwnd; }
    COLORREF GetInk() const { return ink; }
    COLORREF GetPaper() const { return paper; }
    HBRUSH Brush() const { return brush; }
    HCURSOR Cursor() const { return cursor; }
    bool IsShown() const { return shown; }

    void ShowField();
    void HideField();
    // Turns painting off and on; a hidden field stays hidden.
    void SetRedraw(bool on);

protected:
    // The user (or anything but SetText) changed the text.
    virtual void OnTextChanged() {}
    // Collapses the selection and scrolls the caret into view, so an inactive field never shows
    // a selection.
    virtual void OnFocusLost();
    virtual void OnLeftButtonDown() {}
    virtual void OnRightButtonDown() {}

private:
    friend class OwnerDispatcher;
    static LRESULT CALLBACK FieldProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleFieldMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT CallOriginal(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // True when message was an answer to the parent on this field's behalf.
    bool HandleOwnerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void OwnerGone();
    void ApplyFont(HFONT font);
    void Detach();
    void RestoreFieldProc();

    COLORREF ink = 0;
    COLORREF paper = 0;
    RECT rect{};
    int id = 0;
    HWND owner = nullptr;
    HWND hwnd = nullptr;
    WNDPROC originalProc = nullptr; // the edit control's own, behind FieldProc
    GdiFont ownFont;
    HFONT font = nullptr;
    GdiBrush ownBrush;
    HBRUSH brush = nullptr;
    HCURSOR cursor = nullptr;
    bool externalBrush = false;
    bool externalFont = false;
    bool shown = false;
    bool writing = false; // inside SetText
    bool created = false;
    std::string heldText; // the text of a field without a window
    bool redrawOn = true; // WM_SETREDRAW as last sent
};

// The owner side of the text fields: one window procedure put in front of each owner window
// (replaced through GWLP_WNDPROC, so a message costs one extra call and no property lookups),
// and the list of fields each owner hosts. UI thread only.
class OwnerDispatcher {
public:
    // True when the message was answered on behalf of one of owner's fields.
    static bool Dispatch(HWND owner, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    static void Join(HWND owner, TextField* field);
    static void Leave(HWND owner, TextField* field);
    // The owner window is going: its fields forget it and its procedure is its own again.
    static void OwnerDestroyed(HWND owner);
    // Owner windows that have a dispatcher in front of them.
    static int OwnerCount();
};
