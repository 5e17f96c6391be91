#pragma once
// The program's one window: dialog resource 102, run modally by WinMain. It owns the document
// and routes mouse input, keys and messages to the parts drawn on it.
#include <windows.h>

#include "app/PlayStatePanel.h"
#include "playback/KeyStateWin32.h"
#include "playback/MessagePosterWin32.h"
#include "playback/SequencerEngine.h"
#include "playback/TempoTimerWin32.h"
#include "song/SongDocument.h"
#include "tone/ToneOutputWin32.h"

class MainWindow {
public:
    static constexpr int kClientWidth = 707;   // 16 step columns
    static constexpr int kClientHeight = 111;
    static constexpr int kMinClientWidth = 133; // 1 step column

    MainWindow();
    virtual ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the dialog and runs it until it is closed; returns the exit code.
    int RunModal(HINSTANCE instance);

    HWND Handle() const { return hwnd_; }
    SongDocument& Document() { return document_; }

    // Gives the keyboard focus to the hidden button, where the space bar and digit keys work.
    void FocusHandling();

    SequencerEngine& Engine() { return engine_; }
    TempoTimer& Timer() { return timer_; }
    // Where the engine sends its tones; only before RunModal (test builds wrap the speaker).
    ToneOutput& ToneOutputInUse() { return *toneOutput_; }
    void UseToneOutput(ToneOutput& output) { toneOutput_ = &output; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Keyboard handling that must happen before the dialog's own; true when the message is used.
    bool PreTranslate(MSG& msg);

    void OnInitDialog();
    void SizeAndCentre();
    SIZE FrameExtra() const; // window size minus client size
    void OnGetMinMaxInfo(MINMAXINFO* info) const;
    bool OnSetCursor(int hitTest);
    // Space bar: flip the play button and start or stop (Control held: this copy alone).
    void OnSpaceKey();
    void OnClose();

    HWND hwnd_ = nullptr;
    SongDocument document_;
    // Playback. The timer is declared before the engine so it outlives it; the engine is shut
    // down (periodic event cancelled) when the window is destroyed.
    TempoTimer timer_;
    ToneOutputWin32 speaker_;
    ToneOutput* toneOutput_ = &speaker_;
    MessagePosterWin32 poster_;
    KeyStateWin32 keys_;
    PlayStatePanel playState_;
    SequencerEngine engine_;
    COLORREF backgroundColour_ = RGB(64, 64, 64);
    COLORREF textColour_ = RGB(192, 192, 192);
    HBRUSH backgroundBrush_ = nullptr;
    HCURSOR plainCursor_ = nullptr;
    HCURSOR sizingCursor_ = nullptr;
    HACCEL accelerators_ = nullptr;
    bool initialised_ = false;
    bool closed_ = false;
    HICON icon_ = nullptr;
};
