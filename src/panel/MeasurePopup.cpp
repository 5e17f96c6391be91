#include "panel/MeasurePopup.h"

#include "ResourceIds.h"
#include "common/DialogOwnerWin32.h"
#include "widgets/Cursors.h"
#include "widgets/InvalidationBatch.h"
#include "widgets/WidgetRegistry.h"

namespace {

struct CellLayout {
    int id = 0;
    int x = 0;       // origin in the popup's client area
    int arrowDx = 0; // both arrows, one above the other
    int textDx = 0;
    int max = 0;
    int ctrlStep = 1;
};

DialSettings CellSettings(const CellLayout& cell, HWND owner) {
    const DialSettings s{.baseId = cell.id,
                         .x = cell.x,
                         .y = 1,
                         .upPrefix = "UPARROW",
                         .upDx = cell.arrowDx,
                         .downPrefix = "DNARROW",
                         .downDx = cell.arrowDx,
                         .downDy = 9,
                         .owner = owner,
                         .textDx = cell.textDx,
                         .textDy = 3,
                         .textWidth = 21,
                         .textHeight = 15,
                         .min = 1,
                         .max = cell.max,
                         .ctrlStep = cell.ctrlStep};
    return s;
}

bool IsMeasureIndex(int index) { return index >= 0 && index < kMeasureCount; }

bool IsCellPart(int id, int cellId) { return id >= cellId && id <= cellId + 5; }

} // namespace

MeasurePopup::MeasurePopup() = default;

MeasurePopup::~MeasurePopup() {
    if (hwnd == nullptr) return;
    SetWidgetEventSink(hwnd, nullptr);
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
}

bool MeasurePopup::Create(HWND parent) {
    if (hwnd != nullptr) return false;
    CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MEASURE_POPUP), parent, DialogProc,
                       reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

INT_PTR CALLBACK MeasurePopup::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = DialogOwner<MeasurePopup>(hwnd, message, lParam);
    if (self == nullptr) return FALSE;
    if (message == WM_INITDIALOG) self->hwnd = hwnd;
    InvalidationScope scope;
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        return FALSE;
    }
}

INT_PTR MeasurePopup::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const int pointerX = static_cast<short>(LOWORD(lParam));
    const int pointerY = static_cast<short>(HIWORD(lParam));
    switch (message) {
    case WM_INITDIALOG: OnInit(); return FALSE; // the focus is nobody's
    case WM_PAINT: {
        PaintDC paint(hwnd);
        HDC dc = paint.Get();
        PaintWidgets(dc, hwnd);
        // Each widget excluded its own rectangle: what is left is the margin.
        RECT client;
        GetClientRect(hwnd, &client);
        FillRect(dc, &client, backgroundBrush ? backgroundBrush.Get() : GetSysColorBrush(COLOR_BTNFACE));
        return TRUE;
    }
    case WM_ERASEBKGND:
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, TRUE); // the paint handler covers everything
        return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
        if (!backgroundBrush) return FALSE;
        SetBkColor(reinterpret_cast<HDC>(wParam), colours.contrastDark);
        SetTextColor(reinterpret_cast<HDC>(wParam), colours.baseLight);
        return reinterpret_cast<INT_PTR>(backgroundBrush.Get());
    case WM_SETCURSOR:
        if (LOWORD(lParam) != HTCLIENT) return FALSE;
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, TRUE); // the mouse handler sets it
        return TRUE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetFocus(nullptr);
        OnWidgetEvent(WidgetEvent::Down, pointerX, pointerY, 0);
        return TRUE;
    case WM_LBUTTONUP: OnWidgetEvent(WidgetEvent::Up, pointerX, pointerY, 0); return TRUE;
    case WM_RBUTTONDOWN: OnWidgetEvent(WidgetEvent::RightDown, pointerX, pointerY, 0); return TRUE;
    case WM_MOUSEMOVE: OnWidgetEvent(WidgetEvent::Move, pointerX, pointerY, 0); return TRUE;
    case WM_COMMAND:
        // Enter and Escape arrive as IDOK and IDCANCEL; the popup is hidden by its parent only.
        return TRUE;
    case WM_DESTROY: SetWidgetEventSink(hwnd, nullptr); return FALSE;
    default: return FALSE;
    }
}

void MeasurePopup::OnInit() {
    x = 0;
    y = 0;
    measure = 0;
    RECT window{}, client{};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    const int frameWidth = (window.right - window.left) - client.right;
    const int frameHeight = (window.bottom - window.top) - client.bottom;
    SetWindowPos(hwnd, nullptr, x, y, kClientWidth + frameWidth, kClientHeight + frameHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    defaultCursor = LoadProgramCursor("NOCUR", IDC_ARROW);
    SetWidgetEventSink(hwnd, this);
    background.Create(0, "", 0, 0, hwnd, "LOOPBKGBMP");
    nextCell.Create(
        CellSettings({.id = kNextId, .x = 1, .arrowDx = 21, .textDx = 0, .max = 8, .ctrlStep = 1}, hwnd));
    repeatCell.Create(
        CellSettings({.id = kRepeatId, .x = 96, .arrowDx = 0, .textDx = 7, .max = 32, .ctrlStep = 4}, hwnd));
    for (MDial* cell : {&nextCell, &repeatCell}) {
        cell->SetTransparent(DialBody::Opaque);
        cell->SetLiveTyping(LiveTyping::On);
    }
    SetFocus(nullptr);
}

void MeasurePopup::SetColors(const SkinPalette& palette) {
    colours = palette;
    backgroundBrush.Reset(CreateSolidBrush(colours.contrastDark));
    for (MDial* cell : {&nextCell, &repeatCell})
        cell->SetDialColors({.arrowInk = colours.baseLight,
                             .arrowPaper = colours.baseDark,
                             .textInk = colours.baseDark,
                             .textPaper = colours.baseLight,
                             .barInk = colours.baseLight,
                             .barPaper = colours.baseDark,
                             .thumb = colours.contrast});
    background.SetColors(colours.base, colours.baseLighter);
    if (hwnd) InvalidateLater(hwnd, nullptr, EraseBackground::Yes);
}

void MeasurePopup::ShowFor() {
    if (hwnd == nullptr || !IsMeasureIndex(measure)) return;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (document != nullptr) {
        const Measure& m = document->measures[measure];
        nextCell.SetValue(m.next + 1);
        // Clamped for showing only: a stored 0 reads 1 here and stays 0 until the cell is used.
        repeatCell.SetValue(m.repeat);
    }
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    SetFocus(nullptr);
}

void MeasurePopup::Hide() {
    if (hwnd) ShowWindow(hwnd, SW_HIDE);
}

bool MeasurePopup::IsShown() const { return hwnd != nullptr && IsWindowVisible(hwnd); }

void MeasurePopup::OnWidgetEvent(int type, int px, int py, int id) {
    if (hwnd == nullptr) return;
    if (id != 0) {
        // Events from the cells' fields carry no position: use where the pointer is now.
        POINT pointer{};
        GetCursorPos(&pointer);
        ScreenToClient(hwnd, &pointer);
        px = pointer.x;
        py = pointer.y;
    }
    if (SetCursorAt(px, py, hwnd) == 0) SetCursor(defaultCursor);
    if (id == 0) id = DispatchMouse(type, px, py, hwnd);
    if (type != WidgetEvent::Up && type != WidgetEvent::Move && type != WidgetEvent::ValueCommitted) return;
    if (IsCellPart(id, kNextId)) {
        nextCell.OnPartEvent(id);
        StoreCell(nextCell);
    } else if (IsCellPart(id, kRepeatId)) {
        repeatCell.OnPartEvent(id);
        StoreCell(repeatCell);
    }
}

void MeasurePopup::StoreCell(MDial& cell) {
    if (document == nullptr || !IsMeasureIndex(measure)) return;
    // The field shows a clamped number, but the document must never hold a link outside the
    // measures whatever the field says.
    int value = cell.GetValue();
    value = value < cell.Min() ? cell.Min() : (value > cell.Max() ? cell.Max() : value);
    Measure& m = document->measures[measure];
    Shared<int16_t>& field = &cell == &nextCell ? m.next : m.repeat;
    const int stored = &cell == &nextCell ? value - 1 : value;
    if (field.Get() == stored) return;
    field = static_cast<int16_t>(stored);
    document->dirty = 1;
}
