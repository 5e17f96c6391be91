#include "about/LinkLabel.h"

#include <commctrl.h>

#include <vector>

#include "about/LinkShellWin32.h"
#include "widgets/Cursors.h"

namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr UINT_PTR kToolId = 1;
constexpr int kHandCursorInHelp = 106;

std::string WindowsDirectory() {
    const UINT needed = GetWindowsDirectoryA(nullptr, 0);
    if (needed == 0) return {};
    std::vector<char> path(needed + 1);
    const UINT written = GetWindowsDirectoryA(path.data(), needed + 1);
    if (written == 0 || written > needed) return {};
    return std::string(path.data(), written);
}

// The help program's hand, read as a resource only: mapping the file as data runs none of its
// code, and the copy outlives the mapping.
HCURSOR LoadHelpProgramHand() {
    const std::string directory = WindowsDirectory();
    if (directory.empty()) return nullptr;
    HMODULE help = LoadLibraryExA((directory + "\\winhlp32.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (help == nullptr) return nullptr;
    HCURSOR copy = nullptr;
    if (HCURSOR hand = LoadCursorA(help, MAKEINTRESOURCEA(kHandCursorInHelp))) copy = CopyCursor(hand);
    FreeLibrary(help);
    return copy;
}

TOOLINFOA ToolFor(HWND label) {
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE; // understood by every version of the common controls
    tool.hwnd = label;
    tool.uId = kToolId;
    return tool;
}

} // namespace

HCURSOR LoadHandCursor(bool& ownsCursor) {
    ownsCursor = false;
    if (HCURSOR system = LoadSystemCursor(IDC_HAND)) return system;
    HCURSOR copy = LoadHelpProgramHand();
    ownsCursor = copy != nullptr;
    return copy;
}

LinkLabel::~LinkLabel() {
    Detach();
    if (ownsCursor && cursor != nullptr) DestroyCursor(cursor);
}

bool LinkLabel::Attach(HWND control) {
    if (!IsWindow(control)) return false;
    hwnd = control;
    // Without the notify style a static control lets clicks fall through to its parent.
    SetWindowLongPtrA(hwnd, GWL_STYLE, GetWindowLongPtrA(hwnd, GWL_STYLE) | SS_NOTIFY);
    const int length = GetWindowTextLengthA(hwnd);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(hwnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    if (url.empty()) url = text;
    if (text.empty()) SetWindowTextA(hwnd, url.c_str());
    BuildFonts();
    if (cursor == nullptr) cursor = LoadHandCursor(ownsCursor);
    SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    CreateTooltip();
    return true;
}

void LinkLabel::BuildFonts() {
    auto font = reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
    if (font == nullptr) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (font == nullptr) font = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    LOGFONTA description{};
    if (font == nullptr || GetObjectA(font, sizeof description, &description) == 0) return;
    description.lfUnderline = FALSE;
    normalFont.Reset(CreateFontIndirectA(&description));
    description.lfUnderline = TRUE;
    underlinedFont.Reset(CreateFontIndirectA(&description));
}

void LinkLabel::CreateTooltip() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES}; // holds the tooltip class
        return InitCommonControlsEx(&classes) != FALSE;
    }();
    (void)registered;
    tooltip =
        CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, hwnd, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (tooltip == nullptr) return;
    TOOLINFOA tool = ToolFor(hwnd);
    tool.uFlags = 0;
    GetClientRect(hwnd, &tool.rect);
    tool.lpszText = url.data();
    SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void LinkLabel::SetUrl(const std::string& address) {
    url = address;
    if (hwnd == nullptr || tooltip == nullptr) return;
    TOOLINFOA tool = ToolFor(hwnd);
    tool.lpszText = url.data();
    SendMessageA(tooltip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void LinkLabel::SetVisited(LinkState state) {
    visited = state == LinkState::Visited;
    if (hwnd != nullptr) InvalidateRect(hwnd, nullptr, TRUE);
}

void LinkLabel::SetUnderline(int mode) {
    if (mode != underlineMode && hwnd != nullptr) {
        UseFont(mode == kUnderlineAlways ? LinkFont::Underlined : LinkFont::Plain);
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    underlineMode = mode;
}

void LinkLabel::UseFont(LinkFont which) {
    const GdiFont& font = which == LinkFont::Underlined ? underlinedFont : normalFont;
    if (font) SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
}

COLORREF LinkLabel::TextColour() const {
    if (hovering) return hoverColor;
    return visited ? visitedColor : linkColor;
}

HBRUSH LinkLabel::OnCtlColor(HDC dc) const {
    SetTextColor(dc, TextColour());
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

void LinkLabel::Follow() {
    hovering = false;
    const int result = OpenUrl(CurrentLinkShell(), url, SW_SHOWNORMAL);
    if (result > 32) {
        SetVisited(LinkState::Visited);
        return;
    }
    MessageBeep(MB_ICONEXCLAMATION);
    ReportLinkError(result, hwnd != nullptr ? GetAncestor(hwnd, GA_ROOT) : nullptr);
}

bool LinkLabel::PointerInside(LPARAM position) const {
    const POINT at{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    RECT client{};
    GetClientRect(hwnd, &client);
    return PtInRect(&client, at) != FALSE;
}

void LinkLabel::OnMouseMove(LPARAM position) {
    // While the label holds the mouse for a press, moves away from it come here too.
    if (hovering || !PointerInside(position)) return;
    hovering = true;
    if (underlineMode == kUnderlineWhileHovering) UseFont(LinkFont::Underlined);
    InvalidateRect(hwnd, nullptr, TRUE);
    SetTimer(hwnd, kTimerId, kHoverCheckMs, nullptr);
}

void LinkLabel::OnPress() {
    pressed = true;
    // Holding the mouse, the label sees where the button comes up, on it or not.
    SetCapture(hwnd);
}

void LinkLabel::OnRelease(LPARAM position) {
    if (!pressed) return;
    pressed = false;
    if (GetCapture() == hwnd) ReleaseCapture();
    if (PointerInside(position)) Follow();
}

void LinkLabel::OnHoverTimer() {
    const DWORD at = GetMessagePos();
    POINT pointer{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    ScreenToClient(hwnd, &pointer);
    RECT client{};
    GetClientRect(hwnd, &client);
    if (PtInRect(&client, pointer)) return;
    hovering = false;
    KillTimer(hwnd, kTimerId);
    if (underlineMode != kUnderlineAlways) UseFont(LinkFont::Plain);
    // The label draws no background, so the parent repaints under it, a little below too where
    // the underline was.
    HWND parent = GetParent(hwnd);
    RECT area{};
    GetWindowRect(hwnd, &area);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    area.bottom += 10;
    RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void LinkLabel::Detach() {
    if (hwnd == nullptr) return;
    KillTimer(hwnd, kTimerId);
    RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
    if (tooltip != nullptr) DestroyWindow(tooltip);
    tooltip = nullptr;
    hwnd = nullptr;
}

LRESULT CALLBACK LinkLabel::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR self) {
    auto* label = reinterpret_cast<LinkLabel*>(self);
    if (message == WM_NCDESTROY) {
        label->Detach();
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    return label->Handle(message, wParam, lParam);
}

LRESULT LinkLabel::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = hwnd;
    if (tooltip != nullptr && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
        MSG relayed{window, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
        const DWORD at = GetMessagePos();
        relayed.pt = POINT{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
        SendMessageA(tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    switch (message) {
    case WM_ERASEBKGND: return TRUE; // the parent's background shows through
    case WM_SETCURSOR:
        if (cursor == nullptr) break;
        SetCursor(cursor);
        return TRUE;
    case WM_MOUSEMOVE: OnMouseMove(lParam); break;
    case WM_TIMER:
        if (wParam != kTimerId) break;
        OnHoverTimer();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: OnPress(); break; // a double click's second press is a press too
    case WM_LBUTTONUP: OnRelease(lParam); break;
    case WM_CAPTURECHANGED: pressed = false; break;
    default: break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}
