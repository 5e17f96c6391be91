// The About box as the user meets it: dialog resource 100 centred over its owner, holding the
// mouse, closed by Enter, Escape and any click off its link lines, opening its web address from
// either line, coloured from the skin; and the link label on its own: hand cursor, hover
// underline, visited colour and the failure message. The box runs modally on the test thread
// while a second thread drives it as a user would; no browser is started (the link shell is a
// fake).
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ResourceIds.h"
#include "WaitFor.h"
#include "WidgetTestSupport.h"
#include "about/AboutBox.h"
#include "about/AboutText.h"
#include "about/LinkLabel.h"
#include "about/LinkShellWin32.h"
#include "widgets/GdiHandles.h"

using namespace widget_test;

namespace {

constexpr DWORD kSafetyMs = 15000; // only for a box that never comes or never goes

// Records what the links ask for; installed while it lives.
class FakeShell : public LinkShell {
public:
    FakeShell() { SetLinkShell(this); }
    ~FakeShell() override { SetLinkShell(nullptr); }
    int ShellOpen(const std::string& address, int) override {
        std::lock_guard<std::mutex> lock(mutex);
        opened.push_back(address);
        ++opens;
        return shellResult;
    }
    long ReadClassesRootValue(const std::string&, std::string&) override { return 2; }
    int Run(const std::string&, int) override { return 2; }
    std::vector<std::string> Opened() {
        std::lock_guard<std::mutex> lock(mutex);
        return opened;
    }

    std::atomic<int> opens{0};
    int shellResult = 42;

private:
    std::mutex mutex;
    std::vector<std::string> opened;
};

template <typename Condition> bool PollUntil(Condition condition) {
    return WaitFor(condition, static_cast<int>(kSafetyMs), 10);
}

// A visible dialog of the thread, by the id of a control it holds (0: any dialog) or its caption.
HWND FindThreadDialog(DWORD thread, int childId, const char* caption = nullptr) {
    struct Search {
        int childId;
        const char* caption;
        HWND found;
    } search{childId, caption, nullptr};
    EnumThreadWindows(
        thread,
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            char name[16] = {};
            GetClassNameA(hwnd, name, sizeof name);
            if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
            if (s->childId != 0 && GetDlgItem(hwnd, s->childId) == nullptr) return TRUE;
            char title[64] = {};
            GetWindowTextA(hwnd, title, sizeof title);
            if (s->caption != nullptr && std::strcmp(title, s->caption) != 0) return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND CaptureOf(DWORD thread) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(thread, &info) ? info.hwndCapture : nullptr;
}

POINT CentreOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void Click(POINT at) {
    SendMouse(at.x, at.y, 0);
    SendMouse(at.x, at.y, MOUSEEVENTF_LEFTDOWN);
    SendMouse(at.x, at.y, MOUSEEVENTF_LEFTUP);
}

void PressKey(HWND box, WPARAM key) {
    HWND target = GetDlgItem(box, IDC_HIDDEN_BUTTON);
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

std::string TextOf(HWND hwnd) {
    const int length = GetWindowTextLengthA(hwnd);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(hwnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

struct ColourAnswer {
    COLORREF text;
    COLORREF background;
    HBRUSH brush;
};

// What the box answers when a control asks for its colours.
ColourAnswer AskColours(HWND box, HWND control) {
    const MemoryDC dc(nullptr);
    const UINT message = control == box ? WM_CTLCOLORDLG : WM_CTLCOLORSTATIC;
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageA(box, message, reinterpret_cast<WPARAM>(dc.Get()), reinterpret_cast<LPARAM>(control)));
    return ColourAnswer{GetTextColor(dc.Get()), GetBkColor(dc.Get()), brush};
}

// Runs the About box on this thread while drive(box) acts on it from a second thread. Returns
// the box's result; closedByDrive tells whether the box went away without being forced shut.
struct AboutRun {
    INT_PTR result = 0;
    bool appeared = false;
    bool heldMouse = false; // the box took the mouse once it was shown
    bool closedByDrive = false;
};

AboutRun RunAboutBox(const AboutBoxArgs& args, const std::function<void(HWND)>& drive) {
    AboutRun run;
    const DWORD thread = GetCurrentThreadId();
    std::thread driver([&] {
        HWND box = nullptr;
        run.appeared =
            PollUntil([&] { return (box = FindThreadDialog(thread, IDC_ABOUT_PATTERN)) != nullptr; });
        if (!run.appeared) return;
        run.heldMouse = PollUntil([&] { return CaptureOf(thread) == box; });
        drive(box);
        run.closedByDrive = PollUntil([&] { return !IsWindow(box); });
        if (!run.closedByDrive) PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    });
    run.result = ShowAboutBox(args);
    driver.join();
    return run;
}

struct AboutBoxFixture : testing::Test {
    AboutBoxFixture() {
        args.owner = TestOwner::Host();
        args.background = RGB(10, 90, 40);
        args.palette.Derive(RGB(200, 120, 40));
        backgroundBrush.Reset(CreateSolidBrush(args.background));
        args.backgroundBrush = backgroundBrush.Get();
    }

    AboutBoxArgs args;
    GdiBrush backgroundBrush;
    FakeShell shell;
};

TEST_F(AboutBoxFixture, IsResource100CentredOverItsOwnerHoldingTheMouse) {
    const DWORD thread = GetCurrentThreadId();
    POINT centre{}, ownerCentre = CentreOf(args.owner);
    LONG style = 0;
    std::string address, pattern;
    bool notify = true;
    const AboutRun run = RunAboutBox(args, [&](HWND box) {
        centre = CentreOf(box);
        style = GetWindowLongA(box, GWL_STYLE);
        address = TextOf(GetDlgItem(box, IDC_ABOUT_LINK1)) + TextOf(GetDlgItem(box, IDC_ABOUT_LINK2));
        pattern = TextOf(GetDlgItem(box, IDC_ABOUT_PATTERN));
        for (int id : {IDC_ABOUT_LINK1, IDC_ABOUT_LINK2})
            notify = notify && (GetWindowLongA(GetDlgItem(box, id), GWL_STYLE) & SS_NOTIFY) != 0;
        PressKey(box, VK_ESCAPE);
    });
    ASSERT_TRUE(run.appeared);
    EXPECT_TRUE(run.closedByDrive);
    EXPECT_EQ(run.result, 1);
    EXPECT_TRUE(run.heldMouse) << "the box does not hold the mouse";
    EXPECT_NEAR(centre.x, ownerCentre.x, 1);
    EXPECT_NEAR(centre.y, ownerCentre.y, 1);
    EXPECT_EQ(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME), 0);
    // The two lines show the address they open, split in two.
    EXPECT_EQ(address, kAboutWebAddress);
    EXPECT_TRUE(notify);
    EXPECT_EQ(pattern.find_first_not_of("/\\ \n"), std::string::npos) << pattern;
    EXPECT_EQ(CaptureOf(thread), nullptr) << "the mouse stays held after the box closed";
}

TEST_F(AboutBoxFixture, EnterEscapeAndClicksOffTheLinksCloseIt) {
    struct Way {
        const char* name;
        std::function<void(HWND)> close;
    };
    const Way ways[] = {
        {"Enter", [](HWND box) { PressKey(box, VK_RETURN); }},
        {"Escape", [](HWND box) { PressKey(box, VK_ESCAPE); }},
        {"click on the box's background",
         [](HWND box) {
             RECT pattern{};
             GetWindowRect(GetDlgItem(box, IDC_ABOUT_PATTERN), &pattern);
             Click(POINT{(pattern.left + pattern.right) / 2, pattern.bottom + 2});
         }},
        {"click outside the box",
         [](HWND box) {
             RECT r{};
             GetWindowRect(box, &r);
             Click(POINT{r.right + 60, r.bottom + 40});
         }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        const AboutRun run = RunAboutBox(args, way.close);
        ASSERT_TRUE(run.appeared);
        EXPECT_TRUE(run.closedByDrive);
        EXPECT_EQ(run.result, 1);
    }
    EXPECT_EQ(shell.opens, 0);
}

TEST_F(AboutBoxFixture, EitherLinkLineOpensTheAddressAndLeavesTheBoxOpen) {
    const DWORD thread = GetCurrentThreadId();
    std::vector<bool> openAfterClick, heldAfterClick;
    const AboutRun run = RunAboutBox(args, [&](HWND box) {
        int expected = 0;
        for (int id : {IDC_ABOUT_LINK1, IDC_ABOUT_LINK2}) {
            Click(CentreOf(GetDlgItem(box, id)));
            ++expected;
            PollUntil([&] { return shell.opens >= expected && CaptureOf(thread) == box; });
            openAfterClick.push_back(IsWindowVisible(box) != FALSE);
            heldAfterClick.push_back(CaptureOf(thread) == box);
        }
        PressKey(box, VK_ESCAPE);
    });
    ASSERT_TRUE(run.appeared);
    EXPECT_TRUE(run.closedByDrive);
    EXPECT_EQ(shell.Opened(), (std::vector<std::string>{kAboutWebAddress, kAboutWebAddress}));
    EXPECT_EQ(openAfterClick, (std::vector<bool>{true, true}));
    EXPECT_EQ(heldAfterClick, (std::vector<bool>{true, true}));
}

TEST_F(AboutBoxFixture, AFailedLaunchIsReportedAndTheBoxStaysOpen) {
    shell.shellResult = 26; // and no browser registered
    const DWORD thread = GetCurrentThreadId();
    std::string reported;
    bool boxStayed = false;
    const AboutRun run = RunAboutBox(args, [&](HWND box) {
        Click(CentreOf(GetDlgItem(box, IDC_ABOUT_LINK1)));
        HWND message = nullptr;
        PollUntil([&] { return (message = FindThreadDialog(thread, 0, "Kestrelbox")) != nullptr; });
        if (message == nullptr) return;
        reported = TextOf(GetDlgItem(message, 0xFFFF));
        PostMessageA(message, WM_COMMAND, IDOK, 0);
        PollUntil([&] { return !IsWindow(message) && CaptureOf(thread) == box; });
        boxStayed = IsWindowVisible(box) != FALSE;
        PressKey(box, VK_ESCAPE);
    });
    ASSERT_TRUE(run.appeared);
    EXPECT_TRUE(run.closedByDrive);
    EXPECT_EQ(reported, "Unable to open hyperlink:\n\nA sharing violation occurred. ");
    EXPECT_TRUE(boxStayed);
}

TEST_F(AboutBoxFixture, TakesItsColoursFromTheMainWindowAndTheSkin) {
    std::vector<ColourAnswer> answers;
    COLORREF backgroundPixel = CLR_INVALID;
    const AboutRun run = RunAboutBox(args, [&](HWND box) {
        HWND text = nullptr;
        for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            if (GetDlgCtrlID(child) == 0xFFFF && GetWindowTextLengthA(child) > 0) text = child;
        }
        for (HWND control : {GetDlgItem(box, IDC_ABOUT_PATTERN), GetDlgItem(box, IDC_ABOUT_LINK1),
                             GetDlgItem(box, IDC_ABOUT_LINK2), text, box})
            answers.push_back(AskColours(box, control));
        // The background as drawn, left of the first link line.
        RECT line{};
        GetWindowRect(GetDlgItem(box, IDC_ABOUT_LINK1), &line);
        POINT at{line.left - 3, line.top + 2};
        ScreenToClient(box, &at);
        PollUntil([&] {
            HDC dc = GetDC(box);
            backgroundPixel = GetPixel(dc, at.x, at.y);
            ReleaseDC(box, dc);
            return backgroundPixel == args.background;
        });
        PressKey(box, VK_ESCAPE);
    });
    ASSERT_TRUE(run.appeared);
    ASSERT_EQ(answers.size(), 5u);
    const COLORREF expected[] = {args.palette.contrastDark, args.palette.base, args.palette.base,
                                 args.palette.contrastLight, args.palette.contrastLight};
    for (size_t i = 0; i < answers.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(answers[i].text, expected[i]);
        EXPECT_EQ(answers[i].background, args.background);
        EXPECT_EQ(answers[i].brush, args.backgroundBrush);
    }
    EXPECT_EQ(backgroundPixel, args.background);
}

// A link label on a plain window, where it gets the mouse itself.
struct LinkLabelFixture : testing::Test {
    LinkLabelFixture() {
        labelWindow = CreateWindowExA(0, "STATIC", "http://label.test/", WS_CHILD | WS_VISIBLE | SS_LEFT, 20,
                                      20, 150, 16, owner.hwnd, reinterpret_cast<HMENU>(60001),
                                      GetModuleHandleA(nullptr), nullptr);
    }
    POINT LabelCentre() const { return CentreOf(labelWindow); }
    void MoveAway() {
        RECT r{};
        GetWindowRect(owner.hwnd, &r);
        SendMouse(r.left + 5, r.bottom - 5, 0);
    }
    bool Underlined() const {
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(labelWindow, WM_GETFONT, 0, 0)), sizeof font, &font);
        return font.lfUnderline != 0;
    }
    // Handles input until the condition holds; the label's hover timer runs on this thread.
    template <typename Condition> bool PumpUntil(Condition condition) {
        return PollUntil([&] {
            PumpMessages();
            return condition();
        });
    }

    TestOwner owner{40, 40, 300, 120};
    FakeShell shell;
    HWND labelWindow = nullptr;
    LinkLabel label;
};

TEST_F(LinkLabelFixture, TakesItsAddressFromItsTextAndTheSystemHand) {
    ASSERT_TRUE(label.Attach(labelWindow));
    EXPECT_EQ(label.Url(), "http://label.test/");
    EXPECT_NE(GetWindowLongA(labelWindow, GWL_STYLE) & SS_NOTIFY, 0);
    // The system's own hand: nothing is loaded from another program.
    EXPECT_EQ(label.Cursor(), LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));

    // A label without text shows the address it was given.
    HWND blank = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 20, 50, 150, 16, owner.hwnd, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    LinkLabel given;
    given.SetUrl("http://other.test/");
    ASSERT_TRUE(given.Attach(blank));
    EXPECT_EQ(TextOf(blank), "http://other.test/");
    EXPECT_EQ(given.Url(), "http://other.test/");
}

TEST_F(LinkLabelFixture, UnderlinesWhileThePointerIsOverItUnlessAlwaysUnderlined) {
    ASSERT_TRUE(label.Attach(labelWindow));
    EXPECT_FALSE(Underlined());
    SendMouse(LabelCentre().x, LabelCentre().y, 0);
    EXPECT_TRUE(PumpUntil([&] { return label.Hovering() && Underlined(); }));
    HDC dc = CreateCompatibleDC(nullptr);
    label.OnCtlColor(dc);
    EXPECT_EQ(GetTextColor(dc), label.hoverColor);
    MoveAway();
    EXPECT_TRUE(PumpUntil([&] { return !label.Hovering() && !Underlined(); }));
    label.OnCtlColor(dc);
    EXPECT_EQ(GetTextColor(dc), label.linkColor);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);

    label.SetUnderline(LinkLabel::kUnderlineAlways);
    EXPECT_TRUE(Underlined());
    SendMouse(LabelCentre().x, LabelCentre().y, 0);
    EXPECT_TRUE(PumpUntil([&] { return label.Hovering(); }));
    MoveAway();
    EXPECT_TRUE(PumpUntil([&] { return !label.Hovering(); }));
    EXPECT_TRUE(Underlined());
    DeleteDC(dc);
}

TEST_F(LinkLabelFixture, AClickOpensTheAddressAndMarksItVisited) {
    ASSERT_TRUE(label.Attach(labelWindow));
    label.SetUrl("http://visit.test/");
    // Only a press and a release both on the label are a click.
    RECT r{};
    GetWindowRect(owner.hwnd, &r);
    const POINT away{r.left + 5, r.bottom - 5};
    SendMouse(away.x, away.y, 0);
    SendMouse(away.x, away.y, MOUSEEVENTF_LEFTDOWN);
    SendMouse(LabelCentre().x, LabelCentre().y, 0);
    SendMouse(LabelCentre().x, LabelCentre().y, MOUSEEVENTF_LEFTUP);
    SendMouse(LabelCentre().x, LabelCentre().y, MOUSEEVENTF_LEFTDOWN);
    SendMouse(away.x, away.y, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(MouseTo(owner, away.x + 10, away.y)); // everything before it has been handled
    EXPECT_EQ(shell.opens, 0);

    Click(LabelCentre());
    EXPECT_TRUE(PumpUntil([&] { return shell.opens == 1; }));
    EXPECT_EQ(shell.Opened(), std::vector<std::string>{"http://visit.test/"});
    EXPECT_TRUE(label.Visited());
    MoveAway();
    EXPECT_TRUE(PumpUntil([&] { return !label.Hovering(); }));
    EXPECT_EQ(label.TextColour(), label.visitedColor);
}

} // namespace
