#pragma once
// The small always-on-top window that opens beside a right-clicked measure button: a "next" cell
// (the measure's link, shown 1..8) and a "repeat" cell (1..32). What it edits goes straight into
// the document's measure record, so it takes effect during playback; it takes no undo snapshot.
#include <windows.h>

#include "song/SongDocument.h"
#include "widgets/GdiHandles.h"
#include "widgets/MDial.h"
#include "widgets/MPicture.h"
#include "widgets/SkinPalette.h"
#include "widgets/WidgetEvents.h"

class MeasurePopup : public WidgetEventSink {
public:
    static constexpr int kNextId = 1020;
    static constexpr int kRepeatId = 1040;
    static constexpr int kClientWidth = 127;
    static constexpr int kClientHeight = 22;

    MeasurePopup();
    ~MeasurePopup() override;
    MeasurePopup(const MeasurePopup&) = delete;
    MeasurePopup& operator=(const MeasurePopup&) = delete;

    // Creates the window from dialog resource 167 as an owned window of parent, hidden.
    bool Create(HWND parent);
    // The document whose measures it edits (not owned); nothing is written without one.
    void SetDocument(SongDocument* doc) { document = doc; }
    // Copies the palette's seven colours; new background brush and cell and picture colours.
    void SetColors(const SkinPalette& palette);
    // Moves to (x, y) (screen), loads measure's link + 1 and repeat count, shows without focus.
    void ShowFor();
    void Hide();
    bool IsShown() const;

    void OnWidgetEvent(int type, int x, int y, int id) override;

    HWND Handle() const { return hwnd; }
    MDial& NextCell() { return nextCell; }
    MDial& RepeatCell() { return repeatCell; }
    const SkinPalette& Colours() const { return colours; }

    int x = 0; // screen position for the next showing
    int y = 0;
    int measure = 0; // index 0..7 of the measure being edited

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInit();
    // Writes a cell's value into the measure's link or repeat count, marking the document
    // changed only when the stored value changes.
    void StoreCell(MDial& cell);

    HWND hwnd = nullptr;
    SongDocument* document = nullptr;
    SkinPalette colours;
    GdiBrush backgroundBrush;
    MPicture background;
    MDial nextCell;
    MDial repeatCell;
    HCURSOR defaultCursor = nullptr;
};
