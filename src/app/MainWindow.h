#pragma once
// The program's one window: dialog resource 102, run modally by WinMain. It owns the document,
// the panel controller and the engine, creates the sequencer panel, and routes mouse input, keys
// and messages to them.
#include <windows.h>

#include <optional>

#include "about/AboutBox.h"
#include "app/EditKeysWin32.h"
#include "app/FileShell.h"
#include "app/PanelController.h"
#include "panel/PanelLayout.h"
#include "panel/SequencerPanel.h"
#include "playback/KeyStateWin32.h"
#include "playback/MessagePosterWin32.h"
#include "playback/SequencerEngine.h"
#include "playback/TempoTimerWin32.h"
#include "song/SongDocument.h"
#include "tone/SoundCardToneWin32.h"
#include "tone/ToneOutputSwitch.h"
#include "tone/ToneOutputWin32.h"
#include "tone/VoiceChoice.h"
#include "widgets/GdiHandles.h"
#include "widgets/WidgetEvents.h"

class MainWindow : public WidgetEventSink, public CommandTarget {
public:
    static constexpr int kClientWidth = layout::kMaxClientWidth; // 16 step columns
    static constexpr int kClientHeight = layout::kClientHeight;
    static constexpr int kMinClientWidth = layout::kMinClientWidth; // 1 step column

    MainWindow();
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the dialog and runs it until it is closed; returns the exit code.
    int RunModal(HINSTANCE instance);

    HWND Handle() const { return hwnd; }
    SongDocument& Document() { return document; }
    SequencerPanel& Panel() { return panel; }
    PanelController& Controller() { return controller; }

    // Clears any selection in the last shown note field and gives the keyboard focus to the
    // hidden button, where the space bar and digit keys work.
    void FocusHandling();
    // The Change Color command: a new skin from the colour chooser, unless it was cancelled.
    void ChangeColour();
    // A new skin colour for the panel; the window takes its background from it and redraws.
    void ApplySkin(COLORREF colour);
    // Open, Save, Save As, the save prompt, dropped files and the clock preference.
    FileShell& Files() { return files; }
    // What the About box needs from this window: ShowAboutBox(AboutArguments()).
    AboutBoxArgs AboutArguments() const;

    SequencerEngine& Engine() { return engine; }
    TempoTimer& Timer() { return timer; }
    // Where the engine sends its tones; only before RunModal (test builds wrap the speaker).
    ToneOutput& ToneOutputInUse() { return *toneOutput; }
    void UseToneOutput(ToneOutput& output) { toneOutput = &output; }
    // Sounds through the sound card (when it opens; else the speaker, said once in the status
    // line) or the speaker. When nothing can be heard, a "NOTE!" box says why, once a run.
    void UseSoundCard(bool on);
    bool SoundCardInUse() const override { return &voices.Current() == &soundCard; }
    const SoundCardToneWin32& SoundCard() const { return soundCard; }

    // What WM_COPYDATA is handed to; the release sets none and so ignores the message. True when
    // the data was taken.
    using CopyDataHandler = bool (*)(MainWindow& window, const COPYDATASTRUCT& data);
    void SetCopyDataHandler(CopyDataHandler handler) { copyDataHandler = handler; }
    // Told of each phase of start-up as it is reached; the release sets none.
    using PhaseHandler = void (*)(const char* phase);
    void SetPhaseHandler(PhaseHandler handler) { phaseHandler = handler; }

    // Mouse events on the panel's widgets, and what dial text fields report.
    void OnWidgetEvent(int type, int x, int y, int id) override;
    // The command table: every menu choice and keyboard shortcut.
    void RunCommand(int id) override;
    // Tells the user of a fault that reached a window procedure, once at a time, in a "NOTE!" box.
    void ReportFault(const char* what) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Keyboard handling that must happen before the dialog's own; true when the message is used.
    bool PreTranslate(MSG& msg);

    void OnInitDialog();
    void SetIcons(HINSTANCE instance);
    void SizeAndCentre();
    // Window size minus client size, from the window's styles, so it holds in any state.
    SIZE FrameExtra() const;
    void OnGetMinMaxInfo(MINMAXINFO* info) const;
    bool OnSetCursor(int hitTest);
    void OnPaint();
    void OnSize(WPARAM kind);
    // Space bar: flip the play button and start or stop (Control held: this copy alone).
    void OnSpaceKey();
    // Digit keys 1..8 while playing, with the focus on the hidden button.
    bool OnDigitKey(int measure);
    void TakeColoursFromPanel();
    void OnClose();
    // Stops playback for good and ends the message loop; the window may still be there.
    void EndRun();
    // Puts a pending notice about the voice into the status line.
    void ShowVoiceNotice();
    // The stored or preferred voice, once: after the first paint, or before a start that comes
    // sooner.
    void ChooseVoice();
    // Says once a run, in a box, why no tone can be heard, if none can.
    void TellIfSilent(Voice wanted, Voice sounding);
    // Where the speaker can be heard; asked once.
    const VoiceMachine& Machine();
    // System-menu commands 16..31 are the About entry's; the rest are the system's.
    bool OnSysCommand(WPARAM command);
    // The commands that may open a dialog or a message box.
    void RunDialogCommand(int id);

    HWND hwnd = nullptr;
    SequencerPanel panel;
    SongDocument document;
    PanelController controller;
    // Playback. The timer is declared before the engine so it outlives it; the engine is shut
    // down (periodic event cancelled) when the window is destroyed.
    TempoTimer timer;
    ToneOutputWin32 speaker;
    // The sound card plays the speaker's tones where the speaker cannot be heard; the switch is
    // what the engine sounds through, so the voice can change while playing.
    SoundCardToneWin32 soundCard{timer, speaker};
    ToneOutputSwitch voices{speaker};
    ToneOutput* toneOutput = &voices;
    MessagePosterWin32 poster;
    KeyStateWin32 keys;
    EditKeysWin32 editKeys;
    SequencerEngine engine;
    COLORREF backgroundColour = RGB(64, 64, 64);
    COLORREF textColour = RGB(192, 192, 192);
    GdiBrush backgroundBrush;
    HCURSOR plainCursor = nullptr;
    HCURSOR sizingCursor = nullptr;
    HACCEL accelerators = nullptr;
    bool initialised = false;
    bool closed = false;
    bool reportingFault = false;
    HICON icon = nullptr;
    CopyDataHandler copyDataHandler = nullptr;
    PhaseHandler phaseHandler = nullptr;
    bool idleSeen = false;
    bool voiceChosen = false;
    void Phase(const char* phase) const {
        if (phaseHandler != nullptr) phaseHandler(phase);
    }
    std::optional<VoiceMachine> machine;
    bool silenceTold = false;
    Silence silence = Silence::None; // what the posted box will say
    FileShell files{*this};
};
