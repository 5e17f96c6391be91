#include "widgets/TextField.h"

#include <vector>

#include "widgets/Cursors.h"
#include "widgets/InvalidationBatch.h"

namespace {

DWORD AlignmentStyle(TextAlign alignment) {
    switch (alignment) {
    case TextAlign::Right: return ES_RIGHT;
    case TextAlign::Center: return ES_CENTER;
    case TextAlign::Left: break;
    }
    return ES_LEFT;
}

int ScreenDpi() {
    WindowDC screen(nullptr);
    return screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
}

int FontHeight(int tenthsOfPoint) {
    // The screen's resolution does not change while the program runs; asked once, not per font.
    static const int dpi = ScreenDpi();
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

bool TextField::Create(const TextFieldSettings& s) {
    if (hwnd || created) return false; // one window per field
    created = true;
    id = s.id;
    owner = s.owner;
    ink = s.ink ? s.ink : GetSysColor(COLOR_HIGHLIGHT);
    paper = s.paper ? s.paper : GetSysColor(COLOR_BTNFACE);
    const int x = s.x, y = s.y, width = s.width, height = s.height;
    rect = RECT{x, y, x + width, y + height};
    // The field shows its own colours from the start, not the parent's until a SetColors.
    ownBrush.Reset(CreateSolidBrush(paper));
    brush = ownBrush.Get();
    cursor = LoadProgramCursor("TEXTCUR");
    if (width <= 0 || height <= 0) {
        // Never seen and never typed into (the dials' bar-only forms): the text is all it holds,
        // so it needs no window, which would cost the start a child window for nothing.
        shown = true;
        return true;
    }
    DWORD style =
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | ES_NOHIDESEL | ES_AUTOHSCROLL | AlignmentStyle(s.alignment);
    if (width > 0 && height > 0) style |= WS_TABSTOP;
    hwnd = CreateWindowExA(0, "EDIT", "", style, x, y, width, height, owner,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                           nullptr);
    if (!hwnd) return false;
    shown = true;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    originalProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TextField::FieldProc)));
    OwnerDispatcher::Join(owner, this);
    SetFont("Arial", 70);
    return true;
}

void TextField::SetColors(COLORREF newInk, COLORREF newPaper) {
    ink = newInk;
    paper = newPaper;
    if (!externalBrush) {
        ownBrush.Reset(CreateSolidBrush(paper));
        brush = ownBrush.Get();
    }
    if (hwnd) InvalidateLater(hwnd, nullptr, EraseBackground::Yes);
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
    if (hwnd) InvalidateLater(hwnd, nullptr, EraseBackground::Yes);
}

void TextField::ApplyFont(HFONT newFont) {
    font = newFont;
    if (hwnd) SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void TextField::SetText(const std::string& newText) {
    if (!hwnd) {
        if (created) heldText = newText;
        return;
    }
    // Writing the same text again would only repaint the field: a measure load sets every field,
    // mostly to what it already shows. A field the user has typed into, or is typing into, is
    // always written, so it ends unmodified with the caret after the text.
    if (GetText() == newText && !IsModified() && GetFocus() != hwnd) return;
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
    if (!hwnd) return heldText;
    const int length = GetWindowTextLengthA(hwnd);
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(hwnd, buffer.data(), length + 1);
    return std::string(buffer.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

bool TextField::IsModified() const { return hwnd && SendMessageA(hwnd, EM_GETMODIFY, 0, 0) != 0; }

void TextField::ShowField() {
    shown = true;
    redrawOn = true; // a window shown paints, whatever WM_SETREDRAW said before
    if (hwnd) ShowWindow(hwnd, SW_SHOWNA);
}

void TextField::HideField() {
    shown = false;
    redrawOn = true;
    if (hwnd) ShowWindow(hwnd, SW_HIDE);
}

void TextField::SetRedraw(bool on) {
    // Turning painting back on also marks the window visible, which would bring back a field
    // that was hidden on purpose.
    if (!hwnd || !shown) return;
    // Only a change is sent: turning painting on when it is on costs a round trip to the window
    // system and a repaint for nothing, and every measure load does it for every field.
    if (on == redrawOn) return;
    redrawOn = on;
    SendMessageA(hwnd, WM_SETREDRAW, on ? TRUE : FALSE, 0);
    if (on) InvalidateLater(hwnd, nullptr, EraseBackground::Yes);
}

void TextField::OnFocusLost() {
    if (!hwnd) return;
    SendMessageA(hwnd, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    SendMessageA(hwnd, EM_SCROLLCARET, 0, 0);
}

void TextField::Detach() {
    if (owner && hwnd) OwnerDispatcher::Leave(owner, this);
    owner = nullptr;
    RestoreFieldProc();
}

void TextField::RestoreFieldProc() {
    if (!hwnd || !originalProc || !IsWindow(hwnd)) return;
    // Only while nothing has subclassed the field after us; otherwise we stay in the chain.
    if (GetWindowLongPtrA(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&TextField::FieldProc)) {
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalProc));
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    }
}

LRESULT CALLBACK TextField::FieldProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TextField*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr || self->hwnd != hwnd) return DefWindowProcA(hwnd, message, wParam, lParam);
    try {
        return self->HandleFieldMessage(hwnd, message, wParam, lParam);
    } catch (...) {
        return CallWindowProcA(self->originalProc, hwnd, message, wParam, lParam);
    }
}

LRESULT TextField::CallOriginal(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(originalProc, window, message, wParam, lParam);
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
        const LRESULT result = CallOriginal(window, message, wParam, lParam);
        OnFocusLost();
        return result;
    }
    case WM_LBUTTONDOWN: OnLeftButtonDown(); break;
    case WM_RBUTTONDOWN: OnRightButtonDown(); break;
    case WM_NCDESTROY: {
        // The window goes: hand it back its own procedure and forget it.
        const WNDPROC original = originalProc;
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        hwnd = nullptr;
        originalProc = nullptr;
        return CallWindowProcA(original, window, message, wParam, lParam);
    }
    default: break;
    }
    return CallOriginal(window, message, wParam, lParam);
}

bool TextField::HandleOwnerMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
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

void TextField::OwnerGone() { owner = nullptr; }

// One procedure in front of each owner window that hosts fields: it hands the colour requests and
// change notifications to the field they concern. The owner's other messages pass straight on,
// through one call and no lookups of window properties, however many fields it hosts.
namespace {

struct OwnerEntry {
    HWND owner = nullptr;
    WNDPROC original = nullptr;
    std::vector<TextField*> fields;
};

// UI thread only, like the widgets. Entries live until their owner is destroyed; the list itself
// is never freed, so a field destroyed at program exit still finds it.
std::vector<OwnerEntry>& Owners() {
    static auto* owners = new std::vector<OwnerEntry>;
    return *owners;
}

OwnerEntry* FindOwner(HWND owner) {
    for (OwnerEntry& entry : Owners())
        if (entry.owner == owner) return &entry;
    return nullptr;
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace

bool OwnerDispatcher::Dispatch(HWND owner, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message != WM_CTLCOLOREDIT && message != WM_CTLCOLORSTATIC && message != WM_COMMAND) return false;
    OwnerEntry* entry = FindOwner(owner);
    if (entry == nullptr || lParam == 0) return false;
    const auto child = reinterpret_cast<HWND>(lParam);
    TextField* concerned = nullptr;
    for (TextField* field : entry->fields) {
        if (field->Handle() == child) {
            concerned = field;
            break;
        }
    }
    if (concerned == nullptr) return false;
    // Outside the walk: what the field does about it may add or remove fields.
    try {
        return concerned->HandleOwnerMessage(message, wParam, lParam, result);
    } catch (...) {
        return false;
    }
}

namespace {

// An owner keeps its character set when the dispatcher steps in front of it: a procedure set
// through the 8-bit call would make a Unicode window take its caption through the code page.
WNDPROC ReplaceOwnerProc(HWND owner, WNDPROC proc) {
    const auto value = reinterpret_cast<LONG_PTR>(proc);
    return reinterpret_cast<WNDPROC>(IsWindowUnicode(owner) ? SetWindowLongPtrW(owner, GWLP_WNDPROC, value)
                                                            : SetWindowLongPtrA(owner, GWLP_WNDPROC, value));
}

LONG_PTR OwnerProcNow(HWND owner) {
    return IsWindowUnicode(owner) ? GetWindowLongPtrW(owner, GWLP_WNDPROC)
                                  : GetWindowLongPtrA(owner, GWLP_WNDPROC);
}

LRESULT CallOwnerProc(WNDPROC original, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return IsWindowUnicode(hwnd) ? CallWindowProcW(original, hwnd, message, wParam, lParam)
                                 : CallWindowProcA(original, hwnd, message, wParam, lParam);
}

} // namespace

void OwnerDispatcher::Join(HWND owner, TextField* field) {
    if (owner == nullptr) return;
    if (OwnerEntry* entry = FindOwner(owner)) {
        entry->fields.push_back(field);
        return;
    }
    OwnerEntry entry;
    entry.owner = owner;
    entry.original = ReplaceOwnerProc(owner, &OwnerProc);
    entry.fields.push_back(field);
    Owners().push_back(std::move(entry));
}

void OwnerDispatcher::Leave(HWND owner, TextField* field) {
    OwnerEntry* entry = FindOwner(owner);
    if (entry == nullptr) return;
    std::erase(entry->fields, field);
    // The owner keeps the dispatcher while it lives (one call per message, nothing else): taking
    // it out is safe only while nobody has subclassed the owner after it.
    if (!entry->fields.empty() || !IsWindow(owner)) return;
    if (OwnerProcNow(owner) != reinterpret_cast<LONG_PTR>(&OwnerProc)) return;
    ReplaceOwnerProc(owner, entry->original);
    std::erase_if(Owners(), [owner](const OwnerEntry& e) { return e.owner == owner; });
}

void OwnerDispatcher::OwnerDestroyed(HWND owner) {
    OwnerEntry* entry = FindOwner(owner);
    if (entry == nullptr) return;
    for (TextField* field : entry->fields)
        field->OwnerGone();
    ReplaceOwnerProc(owner, entry->original);
    std::erase_if(Owners(), [owner](const OwnerEntry& e) { return e.owner == owner; });
}

int OwnerDispatcher::OwnerCount() { return static_cast<int>(Owners().size()); }

namespace {

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    OwnerEntry* entry = FindOwner(hwnd);
    if (entry == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    const WNDPROC original = entry->original;
    if (message == WM_NCDESTROY) {
        OwnerDispatcher::OwnerDestroyed(hwnd);
        return CallOwnerProc(original, hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    if (OwnerDispatcher::Dispatch(hwnd, message, wParam, lParam, result)) return result;
    return CallOwnerProc(original, hwnd, message, wParam, lParam);
}

} // namespace
