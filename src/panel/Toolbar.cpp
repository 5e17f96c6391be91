#include "panel/Toolbar.h"

#include <commctrl.h>

#include <exception>
#include <utility>

#include "ResourceIds.h"
#include "panel/CommandRules.h"
#include "widgets/InvalidationBatch.h"

namespace {

struct MenuButtonLook {
    int id;
    int dx; // from the toolbar origin
    const char* up;
    const char* down;
    const char* cursor;
};

constexpr MenuButtonLook kFileLook{Toolbar::kFileId, 0, "FILEUP", "FILEDN", "FCUR"};
constexpr MenuButtonLook kEditLook{Toolbar::kEditId, 18, "EDITUP", "EDITDN", "ECUR"};
constexpr MenuButtonLook kMidiLook{Toolbar::kMidiId, 36, "MIDIUP", "MIDIDN", "MCUR"};

} // namespace

Toolbar::Toolbar() = default;

Toolbar::~Toolbar() {
    if (commandWindow != nullptr && IsWindow(commandWindow)) DestroyWindow(commandWindow);
}

void Toolbar::Create(const std::string& text, int originX, int originY, COLORREF, HWND main) {
    x = originX;
    y = originY;
    mainWindow = main;
    commandWindow = CreateWindowExA(0, "STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                                    0, 0, mainWindow, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (commandWindow != nullptr)
        SetWindowSubclass(commandWindow, CommandWindowProc, 0, reinterpret_cast<DWORD_PTR>(this));

    RECT united{};
    const std::pair<MBmpButton*, const MenuButtonLook*> buttons[] = {
        {&fileButton, &kFileLook}, {&editButton, &kEditLook}, {&midiButton, &kMidiLook}};
    for (const auto& [button, look] : buttons) {
        // The main window owns the buttons: it paints them and hands them the mouse.
        button->Create(look->id, "", x + look->dx, y, mainWindow, look->up, look->down);
        button->SetCursorByName(look->cursor);
        const RECT r = button->GetRect();
        UnionRect(&united, &united, &r);
    }
    if (commandWindow != nullptr)
        SetWindowPos(commandWindow, nullptr, united.left, united.top, united.right - united.left,
                     united.bottom - united.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Toolbar::SetDocument(SongDocument* doc) {
    document = doc;
    if (document != nullptr) clipboard.Init(*document);
}

void Toolbar::PopupMenu(ToolbarMenu which) {
    static constexpr int kMenus[] = {IDM_FILE, IDM_EDIT, IDM_MIDI};
    MBmpButton* const buttons[] = {&fileButton, &editButton, &midiButton};
    const int index = static_cast<int>(which);
    if (index < 0 || index > 2 || commandWindow == nullptr) return;
    RECT r = buttons[index]->GetRect();
    MapWindowPoints(mainWindow, nullptr, reinterpret_cast<POINT*>(&r), 2);
    // Loaded afresh for every showing, so no state lingers from the last one.
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kMenus[index]));
    if (menu == nullptr) return;
    if (HMENU popup = GetSubMenu(menu, 0)) {
        if (document != nullptr) {
            MenuFacts facts;
            facts.clipboardHasMeasure = clipboard.HasMeasure();
            facts.soundCardInUse = commandTarget != nullptr && commandTarget->SoundCardInUse();
            for (const MenuItemState& item : MenuItemStates(*document, facts)) {
                EnableMenuItem(popup, item.id, MF_BYCOMMAND | (item.grayed ? MF_GRAYED : MF_ENABLED));
                if (item.mark == ItemMark::Radio)
                    CheckMenuRadioItem(popup, item.id, item.id, item.id, MF_BYCOMMAND);
                else
                    CheckMenuItem(popup, item.id,
                                  MF_BYCOMMAND | (item.mark == ItemMark::Check ? MF_CHECKED : MF_UNCHECKED));
            }
        }
        ModalLoopScope modal; // the menu's loop repaints what its messages change
        TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, r.left, r.bottom, 0,
                       commandWindow, nullptr);
    }
    DestroyMenu(menu);
}

void Toolbar::ApplySkin(COLORREF colour) {
    palette.Derive(colour);
    fileButton.SetColors(palette.baseLight, palette.baseDark);
    editButton.SetColors(palette.contrast, palette.contrastDark);
    midiButton.SetColors(palette.baseDark, palette.baseLight);
}

void Toolbar::RunCommand(int id) {
    if (commandTarget == nullptr) return;
    // Every menu choice and shortcut comes through here, and nothing may unwind through the
    // system's code that called us: a failed Open, Save or Paste is told of, and the setup stays
    // as it stands.
    try {
        commandTarget->RunCommand(id);
    } catch (const std::exception& e) {
        commandTarget->ReportFault(e.what());
    } catch (...) {
        commandTarget->ReportFault("an unknown error");
    }
}

LRESULT CALLBACK Toolbar::CommandWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR subclassId, DWORD_PTR refData) {
    auto* self = reinterpret_cast<Toolbar*>(refData);
    switch (message) {
    case WM_ENTERIDLE: FlushInvalidations(); break;
    case WM_COMMAND: {
        // A command may change every widget; they repaint once, when it is done.
        InvalidationScope scope;
        // Menu choices and translated shortcuts alike.
        if (lParam == 0) self->RunCommand(LOWORD(wParam));
        return 0;
    }
    case WM_PAINT:
        // Paints nothing, so the buttons the main window draws show through.
        ValidateRect(hwnd, nullptr);
        return 0;
    case WM_ERASEBKGND: return 0;
    case WM_NCDESTROY: RemoveWindowSubclass(hwnd, CommandWindowProc, subclassId); break;
    default: break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}
