// The panel of the real program, read from outside: the note fields' texts and visibility, the
// window's size, pixels of the step numbers, and the test build's tone log.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "E2eSupport.h"

namespace {

constexpr int kColumns = 16;

int VisibleNoteFields(HWND window) {
    int n = 0;
    for (int k = 1; k <= kColumns; ++k)
        n += IsWindowVisible(NoteField(window, k)) ? 1 : 0;
    return n;
}

// Sizes the window so that its client area is width x 111, as a drag of its border would.
void SetClientWidth(HWND window, int width) {
    RECT outer{}, client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    const int extraX = (outer.right - outer.left) - client.right;
    const int extraY = (outer.bottom - outer.top) - client.bottom;
    SetWindowPos(window, nullptr, 0, 0, width + extraX, 111 + extraY,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The centre of measure n's button (n = 1..8).
POINT MeasureButton(int n) { return POINT{70 + 8, 98 - 14 * (n - 1) + 6}; }

// The panel has been painted once the selected measure's button differs from the others.
bool WaitForPanelPainted(HWND window) {
    return WaitFor([&] {
        return ClientPixel(window, MeasureButton(1).x, MeasureButton(1).y - 5) !=
               ClientPixel(window, MeasureButton(2).x, MeasureButton(2).y - 5);
    });
}

// A pixel of column k's step number that only its background colour covers.
COLORREF StepNumberPixel(HWND window, int k) { return ClientPixel(window, 94 + 38 * (k - 1) + 13, 5); }

// Columns whose step number is drawn in a colour the others do not share: the lit one.
std::vector<int> LitColumns(HWND window, int shown) {
    std::map<COLORREF, std::vector<int>> byColour;
    for (int k = 1; k <= shown; ++k)
        byColour[StepNumberPixel(window, k)].push_back(k);
    if (byColour.size() != 2) return {};
    for (auto& [colour, columns] : byColour) {
        if (columns.size() == 1) return columns;
    }
    return {};
}

// The note a field's value sounds at transpose 0 (a stored -60 shows as -59, so both are taken).
bool Sounds(const std::string& fieldText, int note) {
    const int shown = std::atoi(fieldText.c_str());
    return note == shown + 60 || (shown == -59 && note == 0);
}

TEST(PanelE2e, StartsWithARandomSetupOnAFullPanel) {
    ScopedCopy first;
    ASSERT_NE(first.Window(), nullptr);
    const SIZE size = ClientSize(first.Window());
    EXPECT_EQ(size.cx, 707);
    EXPECT_EQ(size.cy, 111);
    EXPECT_EQ(VisibleNoteFields(first.Window()), 16);
    const std::vector<std::string> notes = NoteTexts(first.Window());
    for (const std::string& text : notes) {
        ASSERT_FALSE(text.empty());
        const int v = std::atoi(text.c_str());
        EXPECT_TRUE(v >= -59 && v <= 67) << text;
        EXPECT_EQ(std::to_string(v), text);
    }
    // Measure 1 is the one shown: its button is drawn unlike the other seven.
    ASSERT_TRUE(WaitForPanelPainted(first.Window()));
    EXPECT_EQ(ClientPixel(first.Window(), MeasureButton(2).x, MeasureButton(2).y - 5),
              ClientPixel(first.Window(), MeasureButton(8).x, MeasureButton(8).y - 5));

    // Another start gets other notes and another skin (the tick count seeds both). The skin is
    // one of 256 greys, so two starts may share one by chance; three hardly ever do. The first
    // copy's colour is read while it is in front: the next copies open over it, at the same place.
    const COLORREF firstSkin = ClientPixel(first.Window(), 40, 20);
    ScopedCopy second;
    ASSERT_NE(second.Window(), nullptr);
    EXPECT_NE(NoteTexts(second.Window()), notes);
    ASSERT_TRUE(WaitForPanelPainted(second.Window()));
    bool otherSkin = ClientPixel(second.Window(), 40, 20) != firstSkin;
    if (!otherSkin) {
        ScopedCopy third;
        ASSERT_TRUE(WaitForPanelPainted(third.Window()));
        otherSkin = ClientPixel(third.Window(), 40, 20) != firstSkin;
    }
    EXPECT_TRUE(otherSkin);
}

TEST(PanelE2e, TheWidthSetsTheStepCountAndMinimisingKeepsIt) {
    ScopedCopy copy;
    HWND window = copy.Window();
    ASSERT_NE(window, nullptr);
    const std::pair<int, int> widths[] = {{701, 15}, {251, 4}, {133, 1}, {707, 16}, {251, 4}};
    for (auto [width, count] : widths) {
        SetClientWidth(window, width);
        EXPECT_EQ(ClientSize(window).cx, width);
        EXPECT_TRUE(WaitFor([&] { return VisibleNoteFields(window) == count; })) << width;
    }
    ShowWindow(window, SW_MINIMIZE);
    EXPECT_TRUE(WaitFor([&] { return IsIconic(window) != FALSE; }));
    ShowWindow(window, SW_RESTORE);
    EXPECT_TRUE(WaitFor([&] { return !IsIconic(window) && ClientSize(window).cx == 251; }));
    EXPECT_EQ(VisibleNoteFields(window), 4);
}

TEST(PanelE2e, SpacePlaysWithAMovingHighlightAndDigitsJumpWhilePlaying) {
    const std::string log = TempPath("digits.log");
    DeleteFileA(log.c_str());
    ScopedCopy copy({"KESTREL_TONE_LOG=" + log}, kProbeExe);
    HWND window = copy.Window();
    ASSERT_NE(window, nullptr);

    // Learn measure 3's notes by showing it, then go back to measure 1.
    const std::vector<std::string> measure1 = NoteTexts(window);
    PostClick(window, MeasureButton(3).x, MeasureButton(3).y);
    ASSERT_TRUE(WaitFor([&] { return NoteTexts(window) != measure1; }));
    const std::vector<std::string> measure3 = NoteTexts(window);
    PostClick(window, MeasureButton(1).x, MeasureButton(1).y);
    ASSERT_TRUE(WaitFor([&] { return NoteTexts(window) == measure1; }));

    // A digit while stopped does nothing: nothing plays, and the next start is in measure 1.
    PressKey(window, '3');
    PressKey(window, VK_SPACE);
    ASSERT_TRUE(WaitFor([&] { return LoggedTones(log).size() >= 6; }));

    std::set<int> lit;
    ASSERT_TRUE(WaitFor([&] {
        for (int k : LitColumns(window, 16))
            lit.insert(k);
        return lit.size() >= 3;
    })) << "the step highlight does not move";

    const size_t beforeJump = LoggedTones(log).size();
    PressKey(window, '3');
    ASSERT_TRUE(WaitFor([&] { return LoggedTones(log).size() >= beforeJump + 8; }));
    PressKey(window, VK_SPACE);
    const std::vector<LoggedTone> tones = LoggedTones(log);

    // Each tone's step follows from its time: steps are 60000 / 126 / 4 ms apart. A step of
    // length 0 sounds no tone, so the first tone may be a later step than 0: take the offset
    // that fits the first tones best.
    const double stepMs = 60000.0 / 126.0 / 4.0;
    auto matches = [&](const std::vector<std::string>& measure, size_t from, size_t to, int offset) {
        int n = 0;
        for (size_t i = from; i < to; ++i) {
            const long step = std::lround((tones[i].ms - tones[0].ms) / stepMs) + offset;
            n += Sounds(measure[static_cast<size_t>(step % kColumns)], tones[i].note) ? 1 : 0;
        }
        return n;
    };
    int offset = 0;
    for (int o = 1; o < kColumns; ++o) {
        if (matches(measure1, 0, 4, o) > matches(measure1, 0, 4, offset)) offset = o;
    }
    EXPECT_EQ(matches(measure1, 0, 4, offset), 4) << "playback did not start in measure 1";
    EXPECT_EQ(matches(measure3, tones.size() - 4, tones.size(), offset), 4)
        << "the digit key did not move playback to measure 3";
    DeleteFileA(log.c_str());
}

} // namespace
