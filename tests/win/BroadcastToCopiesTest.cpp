#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "common/WideTextWin32.h"
#include "playback/MessagePosterWin32.h"
#include "song/SongDocument.h"

namespace {

constexpr UINT kProbeMessage = WM_APP + 77;
const char kClassName[] = "KestrelBroadcastProbe";

void RegisterProbeClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);
    registered = true;
}

struct WindowCloser {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using Window = std::unique_ptr<std::remove_pointer_t<HWND>, WindowCloser>;

Window MakeWindow(const std::string& title) {
    RegisterProbeClass();
    return Window(CreateWindowA(kClassName, title.c_str(), WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr));
}

// Pumps the probe messages that reached `window`, returning how many there were.
int ProbesReceived(HWND window) {
    int count = 0;
    MSG msg;
    while (PeekMessageA(&msg, window, kProbeMessage, kProbeMessage, PM_REMOVE))
        ++count;
    return count;
}

const std::string kTitle(kCaption);

} // namespace

TEST(BroadcastToCopies, PostsToEveryWindowWhoseTitleBeginsWithTheCaption) {
    std::vector<Window> copies;
    copies.push_back(MakeWindow(kTitle));
    copies.push_back(MakeWindow(kTitle));
    // After a load: the program's UTF-8 title, set through the Unicode call as the program sets it.
    copies.push_back(MakeWindow(kTitle));
    SetWindowTextW(copies.back().get(),
                   Wide(std::string(kTitlePrefix) + "\xD0\x9F\xD0\xB5\xD1\x81.^\xC2\xB6^").c_str());
    Window shortTitle = MakeWindow(kTitle.substr(0, 10));
    Window otherCase = MakeWindow(" -  +  \xF7  X");
    Window unrelated = MakeWindow("Notepad");
    for (const Window& w : copies)
        ASSERT_NE(w.get(), nullptr);

    MessagePosterWin32 poster(copies[0].get());
    EXPECT_EQ(poster.BroadcastToCopies(kProbeMessage, 5, 3), 3);
    for (const Window& w : copies)
        EXPECT_EQ(ProbesReceived(w.get()), 1) << "the sender gets its own message too";
    EXPECT_EQ(ProbesReceived(shortTitle.get()), 0);
    EXPECT_EQ(ProbesReceived(otherCase.get()), 0);
    EXPECT_EQ(ProbesReceived(unrelated.get()), 0);
}

TEST(BroadcastToCopies, CarriesTheParametersAndPostsToSelf) {
    Window copy = MakeWindow(kTitle);
    MessagePosterWin32 poster(copy.get());
    poster.PostToSelf(kProbeMessage, 7, -1);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, copy.get(), kProbeMessage, kProbeMessage, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(msg.lParam, -1);
    EXPECT_EQ(::BroadcastToCopies(nullptr, kProbeMessage, 9, 4), 1);
    ASSERT_TRUE(PeekMessageA(&msg, copy.get(), kProbeMessage, kProbeMessage, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 9u);
    EXPECT_EQ(msg.lParam, 4);
}

TEST(BroadcastToCopies, WindowsBeyondTheFirstHundredAreNeverExamined) {
    Window hidden = MakeWindow(kTitle);
    std::vector<Window> fillers;
    for (int i = 0; i < kBroadcastWindowLimit; ++i)
        fillers.push_back(MakeWindow("filler"));
    SetWindowPos(hidden.get(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    EXPECT_EQ(::BroadcastToCopies(fillers[0].get(), kProbeMessage, 0, 0), 0);
    EXPECT_EQ(ProbesReceived(hidden.get()), 0);

    fillers.clear();
    EXPECT_EQ(::BroadcastToCopies(hidden.get(), kProbeMessage, 0, 0), 1);
    EXPECT_EQ(ProbesReceived(hidden.get()), 1);
}
