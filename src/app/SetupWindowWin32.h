#pragma once
// What a load or save does to the main window: placement, caption and skin, on the real window.
#include <windows.h>

#include "files/FileCommands.h"

class MainWindow;

class SetupWindowWin32 : public SetupWindow {
public:
    explicit SetupWindowWin32(MainWindow& mainWindow) : window(mainWindow) {}

    void HideMeasurePopup() override;
    void Hide() override;
    void Show() override;
    void SetCaption(const std::string& title) override;
    void ResizeToSteps(int steps) override;
    void MoveTo(ScreenPoint topLeft) override;
    void ApplySkin(uint32_t colour) override;
    void UpdateColumnCount() override;
    ScreenPoint RestoredPosition() override;
    uint32_t SkinColour() override;
    void FocusHandling() override;
    void ShowBusy(Busy busy) override;
    void ShowMessage(const std::string& text) override;

private:
    MainWindow& window;
    HCURSOR beforeBusy = nullptr;
};

// The screen position of a window's restored top-left corner, whatever its state now.
ScreenPoint RestoredTopLeft(HWND window);
// Moves window's top-left corner to topLeft, keeping its size; when it would then lie on no
// monitor, onto the work area of the nearest one.
void MoveOntoScreen(HWND window, ScreenPoint topLeft);
