// The colour chooser of the Change Color command, closed from a second thread as a user would.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "WaitFor.h"
#include "widgets/SkinColorChooser.h"

namespace {

// Waits for a dialog of the given thread to appear and presses one of its buttons.
class DialogCloser {
public:
    DialogCloser(DWORD threadId, int buttonId)
        : worker([this, threadId, buttonId] { Run(threadId, buttonId); }) {}
    ~DialogCloser() { worker.join(); }

    std::atomic<bool> found{false};

private:
    static BOOL CALLBACK FindDialog(HWND hwnd, LPARAM lParam) {
        char name[16] = {};
        GetClassNameA(hwnd, name, sizeof name);
        if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
        *reinterpret_cast<HWND*>(lParam) = hwnd;
        return FALSE;
    }

    void Run(DWORD threadId, int buttonId) {
        HWND dialog = nullptr;
        found = WaitFor(
            [&] {
                EnumThreadWindows(threadId, FindDialog, reinterpret_cast<LPARAM>(&dialog));
                return dialog != nullptr;
            },
            30000, 10);
        if (found) PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
    }

    std::thread worker;
};

TEST(ChooseSkinColor, ClosingWithoutAChoiceKeepsTheBase) {
    SkinPalette palette;
    palette.Derive(RGB(200, 200, 200));
    for (int button : {IDCANCEL, IDOK}) {
        SCOPED_TRACE(button == IDOK ? "OK" : "Cancel");
        COLORREF chosen = 0;
        {
            DialogCloser closer(GetCurrentThreadId(), button);
            chosen = ChooseSkinColor(palette, nullptr);
            EXPECT_TRUE(closer.found);
        }
        EXPECT_EQ(chosen, palette.base);
    }
}

} // namespace
