// The About box of the real program, opened from its system menu's entry and closed as a user
// closes it: Escape, Enter, or a click anywhere off its link lines.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "E2eSupport.h"

namespace {

constexpr int kAboutCommand = 16; // the system menu's "About" entry
constexpr int kAboutPattern = 60000;
constexpr DWORD kSafetyMs = 15000; // only for a program that hangs

// The program's visible About box, if it shows one.
HWND FindAboutBox(DWORD pid) {
    struct Search {
        DWORD pid;
        HWND found;
    } search{pid, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            char name[16] = {};
            GetClassNameA(hwnd, name, sizeof name);
            if (owner != s->pid || !IsWindowVisible(hwnd) || std::strcmp(name, "#32770") != 0) return TRUE;
            if (GetDlgItem(hwnd, kAboutPattern) == nullptr) return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The window that holds the mouse in the box's thread.
HWND MouseHolder(HWND box) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info) ? info.hwndCapture : nullptr;
}

void SendMouse(int x, int y, DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = (x * 65535) / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = (y * 65535) / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | flags;
    SendInput(1, &in, sizeof in);
}

class AboutBoxE2e : public ::testing::Test {
protected:
    void SetUp() override {
        copy = StartCopy();
        ASSERT_NE(copy.window, nullptr) << "no main window appeared";
    }
    void TearDown() override { EndCopy(copy); }

    HWND OpenAboutBox() {
        PostMessageA(copy.window, WM_SYSCOMMAND, kAboutCommand, 0);
        HWND box = nullptr;
        WaitFor([&] { return (box = FindAboutBox(copy.process.dwProcessId)) != nullptr; }, kSafetyMs);
        // A box that does not hold the mouse would miss clicks outside it.
        if (box != nullptr) {
            EXPECT_TRUE(WaitFor([&] { return MouseHolder(box) == box; }, kSafetyMs));
        }
        return box;
    }

    RunningCopy copy;
};

TEST_F(AboutBoxE2e, SystemMenuEntryOpensItOverTheWindowAndKeysCloseIt) {
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        SCOPED_TRACE(key == VK_ESCAPE ? "Escape" : "Enter");
        HWND box = OpenAboutBox();
        ASSERT_NE(box, nullptr) << "no About box appeared";
        RECT main{}, about{};
        GetWindowRect(copy.window, &main);
        GetWindowRect(box, &about);
        EXPECT_NEAR((about.left + about.right) / 2, (main.left + main.right) / 2, 1);
        EXPECT_NEAR((about.top + about.bottom) / 2, (main.top + main.bottom) / 2, 1);
        HWND button = GetDlgItem(box, 1);
        PostMessageA(button, WM_KEYDOWN, key, 1);
        PostMessageA(button, WM_KEYUP, key, 0xC0000001);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }, kSafetyMs));
    }
    // The program goes on, and its other system commands still work. (Minimising changes the
    // window's size, so the setup counts as changed and closing would ask to save it.)
    PostMessageA(copy.window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitFor([&] { return IsIconic(copy.window) != FALSE; }, kSafetyMs));
}

TEST_F(AboutBoxE2e, AClickOutsideClosesIt) {
    HWND box = OpenAboutBox();
    ASSERT_NE(box, nullptr) << "no About box appeared";
    // Below the main window, on nothing of the program's: only the box's hold on the mouse
    // brings this click to it.
    RECT main{};
    GetWindowRect(copy.window, &main);
    const POINT outside{main.left + 10, main.bottom + 40};
    SendMouse(outside.x, outside.y, 0);
    SendMouse(outside.x, outside.y, MOUSEEVENTF_LEFTDOWN);
    SendMouse(outside.x, outside.y, MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }, kSafetyMs));
    ASSERT_TRUE(CloseCopy(copy));
}

TEST_F(AboutBoxE2e, TheFileMenuOpensItToo) {
    // FILE, then down past Open, Save, Save As, the two exports and Change Color to About (the
    // menu skips its separators), then Enter.
    PostClick(copy.window, 13 + 8, 10);
    ASSERT_TRUE(WaitFor([&] { return FindWindowA("#32768", nullptr) != nullptr; }, kSafetyMs));
    for (int i = 0; i < 7; ++i)
        PressKey(copy.window, VK_DOWN);
    PressKey(copy.window, VK_RETURN);
    HWND box = nullptr;
    ASSERT_TRUE(
        WaitFor([&] { return (box = FindAboutBox(copy.process.dwProcessId)) != nullptr; }, kSafetyMs));
    PostMessageA(GetDlgItem(box, 1), WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }, kSafetyMs));
    ASSERT_TRUE(CloseCopy(copy));
}

} // namespace
