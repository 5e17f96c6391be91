#include "app/MainWindow.h"

#include <algorithm>
#include <exception>
#include <string>

#include "ResourceIds.h"
#include "common/DialogOwnerWin32.h"
#include "common/NoteBoxWin32.h"
#include "common/Random.h"
#include "common/WideTextWin32.h"
#include "panel/CommandRules.h"
#include "playback/Messages.h"
#include "tone/VoiceChoice.h"
#include "widgets/Cursors.h"
#include "widgets/InvalidationBatch.h"
#include "widgets/SkinColorChooser.h"
#include "widgets/WidgetRegistry.h"

namespace {

// The system menu's About entry is 16; the system keeps the low four bits of a command for itself.
constexpr WPARAM kAboutCommandFirst = 16;
constexpr WPARAM kAboutCommandLast = 31;

// Posted to show the box about silence once whatever is being handled has finished (at start-up,
// once the window is up behind it).
constexpr UINT kShowSilenceNote = WM_APP + 0x21;

bool IsMousePress(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN: return true;
    default: return false;
    }
}

} // namespace

MainWindow::MainWindow() = default;

MainWindow::~MainWindow() {
    engine.Shutdown();
    timer.StopAndWait(); // the engine must outlive any tick still running inside it
}

int MainWindow::RunModal(HINSTANCE instance) {
    Phase("window made");
    // A Unicode window, so a caption that names a file in any script is kept whole.
    hwnd = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, DialogProc,
                              reinterpret_cast<LPARAM>(this));
    if (hwnd == nullptr) return 1;
    ShowWindow(hwnd, SW_SHOW);
    Phase("shown");
    MSG msg;
    for (;;) {
        if (!idleSeen && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            // Painted, and nothing else waiting: the start-up's last part.
            idleSeen = true;
            Phase("first idle");
            ChooseVoice();
        }
        if (closed || GetMessageW(&msg, nullptr, 0, 0) <= 0) break;
        bool used = false;
        {
            // Keys handled here change widgets too; they repaint once, when the key is done.
            InvalidationScope scope;
            used = PreTranslate(msg);
        }
        if (used) continue;
        if (IsDialogMessageW(hwnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // The window may outlive this object until the process ends (see OnClose): what the teardown
    // of the panel still sends it (a child's WM_PARENTNOTIFY, say) must not reach the parts
    // already destroyed.
    if (IsWindow(hwnd)) ForgetDialogOwner(hwnd);
    return 0;
}

INT_PTR CALLBACK MainWindow::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = DialogOwner<MainWindow>(hwnd, message, lParam);
    if (self == nullptr) return FALSE;
    if (message == WM_INITDIALOG) self->hwnd = hwnd;
    // What the widgets ask to repaint while this message is handled is asked for once, at the end.
    InvalidationScope scope;
    // Nothing may unwind through the system's code that called us.
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& e) {
        self->ReportFault(e.what());
    } catch (...) {
        self->ReportFault("an unknown error");
    }
    return FALSE;
}

void MainWindow::ReportFault(const char* what) {
    if (reportingFault) return; // the box's own messages may fail the same way
    reportingFault = true;
    const std::string text = std::string("Kestrelbox met an error and carries on:\n") + what;
    ModalLoopScope modal;
    ShowNote1252(text);
    reportingFault = false;
}

INT_PTR MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == SEQM_START) ChooseVoice();      // another copy starts this one
    engine.HandleMessage(message, wParam, lParam); // never consumes a message
    // A sound card that failed while playing is told of on the next step, never in a dialog.
    if (message == SEQM_STEP_PLAYED) ShowVoiceNotice();
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
    case WM_INITDIALOG: OnInitDialog(); return FALSE; // the focus has been set already
    case WM_PAINT: OnPaint(); return TRUE;
    case WM_GETMINMAXINFO: OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam)); return TRUE;
    case WM_SETCURSOR:
        if (OnSetCursor(LOWORD(lParam))) {
            SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    case WM_LBUTTONDOWN:
        FocusHandling();
        OnWidgetEvent(WidgetEvent::Down, x, y, 0);
        return TRUE;
    case WM_LBUTTONDBLCLK: // a double click is a second press
        OnWidgetEvent(WidgetEvent::Down, x, y, 0);
        return TRUE;
    case WM_LBUTTONUP: OnWidgetEvent(WidgetEvent::Up, x, y, 0); return TRUE;
    case WM_RBUTTONDOWN: OnWidgetEvent(WidgetEvent::RightDown, x, y, 0); return TRUE;
    case WM_MOUSEMOVE: OnWidgetEvent(WidgetEvent::Move, x, y, 0); return TRUE;
    case WM_CTLCOLORDLG:
        SetBkColor(reinterpret_cast<HDC>(wParam), backgroundColour);
        SetTextColor(reinterpret_cast<HDC>(wParam), textColour);
        return reinterpret_cast<INT_PTR>(backgroundBrush.Get());
    case WM_SIZE: OnSize(wParam); return FALSE;
    case WM_QUERYDRAGICON: return reinterpret_cast<INT_PTR>(icon);
    case WM_COMMAND:
        // Enter and Escape reach the dialog as IDOK and IDCANCEL; neither closes the panel.
        return TRUE;
    case WM_CLOSE: OnClose(); return TRUE;
    case WM_COPYDATA: {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        const bool taken = copyDataHandler != nullptr && data != nullptr && copyDataHandler(*this, *data);
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, taken ? TRUE : FALSE);
        return TRUE;
    }
    case WM_DROPFILES: {
        ModalLoopScope modal; // the drop may ask about unsaved changes or report a failed load
        files.OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    }
    case WM_ENTERIDLE: FlushInvalidations(); return FALSE;
    case WM_SYSCOMMAND: return OnSysCommand(wParam) ? TRUE : FALSE;
    case kShowSilenceNote: {
        ModalLoopScope modal;
        ShowNote1252(SilenceNoteText(silence));
        return TRUE;
    }
    case WM_DESTROY: EndRun(); return FALSE;
    default: return FALSE;
    }
}

bool MainWindow::PreTranslate(MSG& msg) {
    const bool ours = msg.hwnd == hwnd || IsChild(hwnd, msg.hwnd);
    if (!ours) return false;
    // A key or a press anywhere in the main window closes the measure popup; clicks inside the
    // popup are the popup's own and never come here.
    if (panel.IsBuilt() && panel.Popup().IsShown() &&
        (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN || IsMousePress(msg.message))) {
        panel.Popup().Hide();
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_SPACE) {
        // A held space bar repeats; only the first press toggles, so playback does not flutter.
        if ((msg.lParam & (1 << 30)) == 0) OnSpaceKey();
        return true;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam >= '1' && msg.wParam <= '8') {
        if (OnDigitKey(static_cast<int>(msg.wParam - '1'))) return true;
    }
    if (accelerators != nullptr && panel.IsBuilt() &&
        TranslateAcceleratorA(panel.MenuBar().CommandWindow(), accelerators, &msg) != 0) {
        return true;
    }
    return false;
}

void MainWindow::OnSpaceKey() {
    ChooseVoice();
    panel.SetPlayButton(panel.PlayButtonOn() ? PlayButtonLook::Stopped : PlayButtonLook::Playing);
    engine.Toggle();
}

bool MainWindow::OnDigitKey(int measure) {
    if (!engine.IsPlaying() || GetFocus() != GetDlgItem(hwnd, IDC_HIDDEN_BUTTON)) return false;
    return engine.JumpToMeasure(measure);
}

void MainWindow::OnWidgetEvent(int type, int x, int y, int id) {
    if (!panel.IsBuilt()) return;
    if (type == WidgetEvent::Up) ChooseVoice(); // the play button may be what is released
    if (type == WidgetEvent::RightDown) {
        const int hit = DispatchMouse(WidgetEvent::RightDown, x, y, hwnd);
        if (hit != 0) controller.RightClick(hit);
        return;
    }
    if (SetCursorAt(x, y, hwnd) == 0) SetCursor(plainCursor);
    if (id == 0) {
        id = DispatchMouse(type, x, y, hwnd);
        if (id == 0) return;
    }
    if (type == WidgetEvent::Down || type == WidgetEvent::ValueCommitted) controller.Press(id);
    if (type == WidgetEvent::Up || type == WidgetEvent::Move || type == WidgetEvent::ValueCommitted)
        controller.ControlChanged(id);
}

void MainWindow::RunCommand(int id) {
    ChooseVoice(); // a shortcut may come before the first paint, and the voice command reads it
    if (RunDocumentCommand(id, document, controller)) return;
    Toolbar& toolbar = panel.MenuBar();
    switch (id) {
    case IDC_CMD_COPY: toolbar.Clipboard().Copy(toolbar.CommandWindow()); break;
    case IDC_CMD_CHANGE_COLOR: ChangeColour(); break;
    case IDC_CMD_EXIT: SendMessageA(hwnd, WM_CLOSE, 0, 0); break;
    case IDC_CMD_HIGH_RES_TIMER: files.ToggleHighResTimer(); break;
    default: RunDialogCommand(id); break;
    }
}

void MainWindow::RunDialogCommand(int id) {
    // Each of these may open a dialog or a message box, whose loop repaints on its own.
    ModalLoopScope modal;
    switch (id) {
    case IDC_CMD_PASTE: {
        Toolbar& toolbar = panel.MenuBar();
        toolbar.Clipboard().Paste(toolbar.CommandWindow(), controller);
        break;
    }
    case IDC_CMD_OPEN: files.Open(); break;
    case IDC_CMD_SAVE: files.Save(); break;
    case IDC_CMD_SAVE_AS: files.SaveAs(); break;
    case IDC_CMD_EXPORT_WAV: files.Export(ExportFormat::Wav); break;
    case IDC_CMD_EXPORT_MIDI: files.Export(ExportFormat::Midi); break;
    case IDC_CMD_ABOUT: ShowAboutBox(AboutArguments()); break;
    case IDC_CMD_SOUND_CARD: {
        // The choice is the machine's, kept beside the clock's; the setup is not changed.
        const bool on = !SoundCardInUse();
        UseSoundCard(on);
        files.StoreSoundCardChoice(on);
        break;
    }
    default: break;
    }
}

void MainWindow::UseSoundCard(bool on) {
    const bool opened = on && soundCard.Open();
    if (opened) {
        voices.Use(soundCard);
    } else {
        voices.Use(speaker);
        if (on) RaiseSoundCardFallbackNotice();
    }
    TellIfSilent(on ? Voice::SoundCard : Voice::Speaker, opened ? Voice::SoundCard : Voice::Speaker);
}

void MainWindow::ShowVoiceNotice() {
    const std::string notice = TakeVoiceNotice();
    if (notice.empty()) return;
    if (panel.IsBuilt()) panel.SetStatusText(notice);
    // A sound card that failed while playing has handed its tones to the speaker.
    if (SoundCardInUse() && !soundCard.Working()) TellIfSilent(Voice::SoundCard, Voice::Speaker);
}

void MainWindow::TellIfSilent(Voice wanted, Voice sounding) {
    if (silenceTold) return;
    const Silence why = SilenceOf(Machine(), wanted, sounding);
    if (why == Silence::None) return;
    silenceTold = true;
    silence = why;
    PostMessageA(hwnd, kShowSilenceNote, 0, 0);
}

const VoiceMachine& MainWindow::Machine() {
    if (!machine) machine = VoiceMachine{RunningUnderWine(), SpeakerPathUsable()};
    return *machine;
}

void MainWindow::OnInitDialog() {
    Phase("dialog created");
    HINSTANCE instance = GetModuleHandleA(nullptr);
    char aboutText[128] = {};
    if (LoadStringA(instance, IDS_ABOUT_ITEM, aboutText, sizeof aboutText) > 0) {
        HMENU systemMenu = GetSystemMenu(hwnd, FALSE);
        AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(systemMenu, MF_STRING, kAboutCommandFirst, aboutText);
    }
    SetIcons(instance);
    SizeAndCentre();
    accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));

    panel.Build(hwnd, controller);
    Phase("panel built");
    panel.SetDocument(&document);
    panel.MenuBar().SetCommandTarget(this);
    SetWidgetEventSink(hwnd, this);
    // Every start looks different: the skin comes from the tick count, blue, green, red.
    SeedRandom(GetTickCount());
    const int r1 = RandomBelow(256);
    const int r2 = RandomBelow(256);
    const int r3 = RandomBelow(256);
    panel.ApplySkin(RGB(r3, r2, r1));
    TakeColoursFromPanel();
    Phase("skin applied");

    plainCursor = LoadProgramCursor("NOCUR", IDC_ARROW);
    sizingCursor = LoadProgramCursor("SIZECUR", IDC_SIZEWE);
    FocusHandling();
    controller.Setup(panel, document);
    controller.Attach(&engine, &editKeys);
    poster.SetWindow(hwnd);
    engine.Initialise({.document = document,
                       .timer = timer,
                       .tone = *toneOutput,
                       .poster = poster,
                       .panel = panel,
                       .keys = keys});
    document.dirty = 0;
    panel.UpdateColumnCount();
    Phase("controller and engine ready");

    files.StartUp(Utf8(GetCommandLineW()));
    Phase("setup loaded");
    // The voice is chosen once the window has painted (ChooseVoice), or before the first start
    // if one comes sooner: asking the system about the speaker and opening the sound card take
    // longer than painting the panel.
    initialised = true;
}

void MainWindow::ChooseVoice() {
    if (voiceChosen || !initialised) return;
    voiceChosen = true;
    // The voice: the user's stored choice, else the sound card where the speaker cannot be heard.
    UseSoundCard(files.StoredSoundCardChoice().value_or(PreferSoundCard(Machine())));
    ShowVoiceNotice();
    Phase("voice chosen");
}

void MainWindow::SetIcons(HINSTANCE instance) {
    icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
    if (icon == nullptr) return;
    SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    // The title bar gets the hand-drawn small image, not the large one shrunk.
    HANDLE small = LoadImageA(instance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                              GetSystemMetrics(SM_CYSMICON), 0);
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small != nullptr ? small : icon));
}

void MainWindow::TakeColoursFromPanel() {
    backgroundColour = panel.Palette().contrast;
    textColour = panel.Palette().contrastDark;
    // The old brush goes only once the new one is in place.
    backgroundBrush.Reset(CreateSolidBrush(backgroundColour));
}

void MainWindow::ChangeColour() {
    COLORREF chosen = 0;
    {
        ModalLoopScope modal;
        chosen = ChooseSkinColor(panel.Palette(), hwnd);
    }
    // A cancelled chooser hands back the palette's grey base, not the skin it was derived from
    // (that grey chosen on purpose would change nothing either).
    if (chosen == panel.Palette().base) return;
    ApplySkin(chosen);
    panel.UpdateColumnCount();
    document.dirty = 1;
}

void MainWindow::ApplySkin(COLORREF colour) {
    panel.ApplySkin(colour);
    TakeColoursFromPanel();
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

SIZE MainWindow::FrameExtra() const {
    RECT r{0, 0, 0, 0};
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE));
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void MainWindow::SizeAndCentre() {
    const SIZE extra = FrameExtra();
    const int width = kClientWidth + extra.cx;
    const int height = kClientHeight + extra.cy;
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + ((work.right - work.left) - width) / 2;
    const int top = work.top + ((work.bottom - work.top) - height) / 2;
    SetWindowPos(hwnd, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::OnGetMinMaxInfo(MINMAXINFO* info) const {
    if (hwnd == nullptr) return;
    const SIZE extra = FrameExtra();
    info->ptMinTrackSize = POINT{kMinClientWidth + extra.cx, kClientHeight + extra.cy};
    info->ptMaxTrackSize = POINT{kClientWidth + extra.cx, kClientHeight + extra.cy};
}

bool MainWindow::OnSetCursor(int hitTest) {
    switch (hitTest) {
    case HTCLIENT: return true; // the controls set their own cursors on mouse moves
    case HTLEFT:
    case HTRIGHT:
    case HTTOPLEFT:
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
    case HTBOTTOMRIGHT: SetCursor(sizingCursor); return true;
    case HTTOP:
    case HTBOTTOM: SetCursor(plainCursor); return true;
    default: return false;
    }
}

void MainWindow::OnPaint() {
    PaintDC paint(hwnd);
    HDC dc = paint.Get();
    if (IsIconic(hwnd)) {
        RECT client{};
        GetClientRect(hwnd, &client);
        const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2 + 10;
        const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
        if (icon != nullptr) DrawIcon(dc, x, y, icon);
    } else {
        PaintWidgets(dc, hwnd);
    }
}

void MainWindow::OnSize(WPARAM kind) {
    if (!initialised) return;
    if (kind != SIZE_MINIMIZED) panel.UpdateColumnCount();
    document.dirty = 1;
}

void MainWindow::FocusHandling() {
    if (panel.IsBuilt()) {
        const int last = std::clamp<int>(document.stepsPerMeasure, 1, SequencerPanel::kColumns);
        if (HWND field = panel.Column(last).NoteCell().Field().Handle()) {
            SendMessageA(field, EM_SETSEL, 0, 0);
            SendMessageA(field, EM_SCROLLCARET, 0, 0);
        }
    }
    SetFocus(GetDlgItem(hwnd, IDC_HIDDEN_BUTTON));
}

void MainWindow::OnClose() {
    // Unsaved changes are asked about first; a cancelled question keeps the window open, and so
    // does a close request that arrives while a file dialog or the question itself is open.
    {
        ModalLoopScope modal;
        if (!files.PromptSave()) return;
    }
    // The window is left for the end of the process to take, which it does at once: under Wine,
    // destroying a shown top-level window waits for the window manager to confirm that it is
    // gone, and for two seconds where there is none. While a dialog of ours is open (the window
    // is disabled then) it is destroyed, which also ends that dialog.
    if (!IsWindowEnabled(hwnd)) {
        DestroyWindow(hwnd);
        return;
    }
    EndRun();
}

void MainWindow::EndRun() {
    if (closed) return;
    // No step may be sounded or posted while the window and its parts go away.
    engine.Shutdown();
    timer.StopAndWait();
    SetWidgetEventSink(hwnd, nullptr);
    closed = true;
}

AboutBoxArgs MainWindow::AboutArguments() const {
    return AboutBoxArgs{hwnd, backgroundColour, backgroundBrush.Get(), panel.Palette()};
}

bool MainWindow::OnSysCommand(WPARAM command) {
    if (command < kAboutCommandFirst || command > kAboutCommandLast) return false;
    ModalLoopScope modal;
    ShowAboutBox(AboutArguments());
    return true;
}
