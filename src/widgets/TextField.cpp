#include "widgets/TextField.h"

#include <commctrl.h>

#include <vector>

namespace {

DWORD AlignmentStyle(const std::string& alignment) {
    if (alignment == "right") return ES_RIGHT;
    if (alignment == "center") return ES_CENTER;
    return ES_LEFT;
}

int FontHeight(int tenthsOfPoint) {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return -MulDiv(tenthsOfPoint, dpi, 720);
}

} // namespace

HFONT CreateFontInPoints(const std::string& face, int tenthsOfPoint) {
    return CreateFontA(FontHeight(tenthsOfPoint), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       face.c_str());
}

TextField::TextField() = default;

TextField::~TextField() {
    Detach();
    if (hwnd) DestroyWindow(hwnd);
}

bool TextField::Create(int newId, HWND newOwner, COLORREF newInk, COLORREF newPaper, int x, int y, int width,
                       int height, const std::string& alignment) {
    if (hwnd) return false; // one window per field
    id = newId;
    owner = newOwner;
    ink = newInk ? newInk : GetSysColor(COLOR_HIGHLIGHT);
    paper = newPaper ? newPaper : GetSysColor(COLOR_BTNFACE);
    rect = RECT{x, y, x + width, y + height};
    // The field shows its own colours from the start, not the parent's until a SetColors.
    ownBrush.Reset(CreateSolidBrush(paper));
    brush = ownBrush.Get();
    DWORD style =
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | ES_NOHIDESEL | ES_AUTOHSCROLL | AlignmentStyle(alignment);
    if (width > 0 && height > 0) style |= WS_TABSTOP;
    hwnd = CreateWindowExA(0, "EDIT", "", style, x, y, width, height, owner,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                           nullptr);
    if (!hwnd) return false;
    shown = true;
    const auto self = reinterpret_cast<DWORD_PTR>(this);
    SetWindowSubclass(hwnd, FieldProc, self, self);
    SetWindowSubclass(owner, OwnerProc, self, self);
    SetFont("Arial", 70);
    cursor = LoadCursorA(GetModuleHandleA(nullptr), "TEXTCUR");
    return true;
}

void TextField::SetColors(COLORREF newInk, COLORREF newPaper) {
    ink = newInk;
    paper = newPaper;
    if (!externalBrush) {
        ownBrush.Reset(CreateSolidBrush(paper));
        brush = ownBrush.Get();
    }
    if (hwnd) InvalidateRect(hwnd, nullptr, TRUE);
}

void TextField::SetFont(const std::string& face, int tenthsOfPoint) {
    const int size = tenthsOfPoint ? tenthsOfPoint : 90;
    const std::string name = face.empty() ? "Arial" : face;
    GdiFont made(CreateFontInPoints(name, size));
    externalFont = false;
    // The control lets go of the old font before it is freed. A font that cannot be made leaves
    // the control with the system font.
    ApplyFont(made.Get());
    ownFont = std::move(made);
}

void TextField::UseFont(HFONT newFont) {
    externalFont = true;
    ApplyFont(newFont);
    ownFont.Reset();
}

void TextField::UseBrush(HBRUSH newBrush) {
    externalBrush = true;
    brush = newBrush;
    ownBrush.Reset();
    if (hwnd) InvalidateRect(hwnd, nullptr, TRUE);
}

void TextField::ApplyFont(HFONT newFont) {
    font = newFont;
    if (hwnd) SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void TextField::SetText(const std::string& newText) {
    if (!hwnd) return;
    // The change notification sent from inside the write is the program's own, whatever the
    // modified flag still says at that moment.
    writing = true;
    SetWindowTextA(hwnd, newText.c_str());
    writing = false;
    SendMessageA(hwnd, EM_SETMODIFY, FALSE, 0);
    // While the user types, keep the caret after the text the program put in.
    if (GetFocus() == hwnd) {
        const auto end = static_cast<WPARAM>(newText.size());
        SendMessageA(hwnd, EM_SETSEL, end, static_cast<LPARAM>(end));
    }
}

std::string TextField::GetText() const {
    if (!hwnd) return {};
    const int length = GetWindowTextLengthA(hwnd);
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(hwnd, buffer.data(), length + 1);
    return std::string(buffer.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

bool TextField::IsModified() const { return hwnd && SendMessageA(hwnd, EM_GETMODIFY, 0, 0) != 0; }

void TextField::ShowField() {
    shown = true;
    if (hwnd) ShowWindow(hwnd, SW_SHOWNA);
}

void TextField::HideField() {
    shown = false;
    if (hwnd) ShowWindow(hwnd, SW_HIDE);
}

void TextField::SetRedraw(bool on) {
    // Turning painting back on also marks the window visible, which would bring back a field
    // that was hidden on purpose.
    if (!hwnd || !shown) return;
    SendMessageA(hwnd, WM_SETREDRAW, on ? TRUE : FALSE, 0);
    if (on) InvalidateRect(hwnd, nullptr, TRUE);
}

void TextField::OnFocusLost() {
    if (!hwnd) return;
    SendMessageA(hwnd, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    SendMessageA(hwnd, EM_SCROLLCARET, 0, 0);
}

void TextField::Detach() {
    const auto self = reinterpret_cast<UINT_PTR>(this);
    if (owner && IsWindow(owner)) RemoveWindowSubclass(owner, OwnerProc, self);
    if (hwnd && IsWindow(hwnd)) RemoveWindowSubclass(hwnd, FieldProc, self);
}

LRESULT CALLBACK TextField::FieldProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR refData) {
    try {
        return reinterpret_cast<TextField*>(refData)->HandleFieldMessage(hwnd, message, wParam, lParam);
    } catch (...) {
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
}

LRESULT TextField::HandleFieldMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETCURSOR:
        if (cursor) {
            SetCursor(cursor);
            return TRUE;
        }
        break;
    case WM_KILLFOCUS: {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        OnFocusLost();
        return result;
    }
    case WM_LBUTTONDOWN: OnLeftButtonDown(); break;
    case WM_RBUTTONDOWN: OnRightButtonDown(); break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, FieldProc, reinterpret_cast<UINT_PTR>(this));
        hwnd = nullptr;
        break;
    default: break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK TextField::OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR subclassId, DWORD_PTR refData) {
    auto* field = reinterpret_cast<TextField*>(refData);
    try {
        if (message == WM_NCDESTROY) {
            RemoveWindowSubclass(hwnd, OwnerProc, subclassId);
            field->owner = nullptr;
        } else {
            LRESULT result = 0;
            if (field->HandleOwnerMessage(message, wParam, lParam, result)) return result;
        }
    } catch (...) {
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

bool TextField::HandleOwnerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (!hwnd || reinterpret_cast<HWND>(lParam) != hwnd) return false;
    switch (message) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
        // With no brush at all (UseBrush with none) the parent's colouring applies.
        if (!brush) return false;
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, ink);
        SetBkColor(dc, paper);
        result = reinterpret_cast<LRESULT>(brush);
        return true;
    }
    case WM_COMMAND:
        // The parent still sees the notification afterwards.
        if (HIWORD(wParam) == EN_CHANGE && !writing) OnTextChanged();
        return false;
    default: return false;
    }
}
