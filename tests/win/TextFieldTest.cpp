// The text field as a real edit control: colours it answers for, its font, tab order, the
// modified flag, long text and the selection when it loses the focus.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "WidgetTestSupport.h"
#include "widgets/GdiHandles.h"
#include "widgets/TextField.h"

using namespace widget_test;

namespace {

// Asks the owner for the field's colours, as the edit control does when it paints.
struct ColourAnswer {
    HBRUSH brush;
    COLORREF text;
    COLORREF background;
};

ColourAnswer AskColours(const TextField& field) {
    Canvas canvas(2, 2, RGB(0, 0, 0));
    SetTextColor(canvas.dc, RGB(1, 2, 3));
    SetBkColor(canvas.dc, RGB(4, 5, 6));
    const LRESULT brush = SendMessageA(field.GetOwner(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(canvas.dc),
                                       reinterpret_cast<LPARAM>(field.Handle()));
    return {reinterpret_cast<HBRUSH>(brush), GetTextColor(canvas.dc), GetBkColor(canvas.dc)};
}

TEST(TextField, ZeroColoursMeanTheSystemOnesAtCreationOnly) {
    TestOwner owner;
    TextField field;
    ASSERT_TRUE(field.Create({.id = 3, .owner = owner.hwnd, .x = 5, .y = 5, .width = 40, .height = 15}));
    const ColourAnswer created = AskColours(field);
    EXPECT_EQ(created.text, GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(created.background, GetSysColor(COLOR_BTNFACE));
    EXPECT_NE(created.brush, nullptr);

    field.SetColors(0, 0);
    const ColourAnswer black = AskColours(field);
    EXPECT_EQ(black.brush, field.Brush());
    EXPECT_NE(black.brush, nullptr);
    EXPECT_EQ(black.text, RGB(0, 0, 0));
    EXPECT_EQ(black.background, RGB(0, 0, 0));

    field.SetColors(RGB(10, 20, 30), RGB(40, 50, 60));
    const ColourAnswer coloured = AskColours(field);
    EXPECT_EQ(coloured.text, RGB(10, 20, 30));
    EXPECT_EQ(coloured.background, RGB(40, 50, 60));
}

TEST(TextField, SharedBrushIsUsedAndNotReplaced) {
    TestOwner owner;
    TextField field;
    field.Create({.id = 3,
                  .owner = owner.hwnd,
                  .ink = RGB(1, 1, 1),
                  .paper = RGB(2, 2, 2),
                  .x = 5,
                  .y = 5,
                  .width = 40,
                  .height = 15});
    const GdiBrush shared(CreateSolidBrush(RGB(9, 9, 9)));
    field.UseBrush(shared.Get());
    field.SetColors(RGB(7, 7, 7), RGB(8, 8, 8));
    EXPECT_EQ(AskColours(field).brush, shared.Get());
    EXPECT_EQ(AskColours(field).background, RGB(8, 8, 8));
    field.SetColors(RGB(7, 7, 7), RGB(8, 8, 9));
    // Still a live brush: the field never deleted it.
    LOGBRUSH info{};
    EXPECT_NE(GetObjectA(shared.Get(), sizeof info, &info), 0);
}

TEST(TextField, TwoFieldsOnOneOwnerEachAnswerForThemselves) {
    TestOwner owner;
    TextField first, second;
    first.Create({.id = 3,
                  .owner = owner.hwnd,
                  .ink = RGB(1, 0, 0),
                  .paper = RGB(2, 0, 0),
                  .width = 30,
                  .height = 15});
    second.Create({.id = 4,
                   .owner = owner.hwnd,
                   .ink = RGB(3, 0, 0),
                   .paper = RGB(4, 0, 0),
                   .y = 20,
                   .width = 30,
                   .height = 15});
    first.SetColors(RGB(1, 0, 0), RGB(2, 0, 0));
    second.SetColors(RGB(3, 0, 0), RGB(4, 0, 0));
    EXPECT_EQ(AskColours(first).background, RGB(2, 0, 0));
    EXPECT_EQ(AskColours(second).background, RGB(4, 0, 0));
}

TEST(TextField, AllFieldsOfAnOwnerShareOneDispatcherInFrontOfIt) {
    TestOwner owner;
    const LONG_PTR ownProc = GetWindowLongPtrA(owner.hwnd, GWLP_WNDPROC);
    std::vector<std::unique_ptr<TextField>> fields;
    LONG_PTR dispatcher = 0;
    for (int i = 0; i < 20; ++i) {
        fields.push_back(std::make_unique<TextField>());
        fields.back()->Create({.id = 10 + i,
                               .owner = owner.hwnd,
                               .ink = RGB(1, 0, 0),
                               .paper = RGB(2 + i, 0, 0),
                               .y = i * 2,
                               .width = 30,
                               .height = 2});
        if (i == 0) dispatcher = GetWindowLongPtrA(owner.hwnd, GWLP_WNDPROC);
        // Every level stacked in front of the owner would cost each of its messages a call; one
        // kept by the common controls also a property lookup, a round trip under Wine.
        EXPECT_EQ(GetWindowLongPtrA(owner.hwnd, GWLP_WNDPROC), dispatcher) << "field " << i;
    }
    EXPECT_NE(dispatcher, ownProc);
    EXPECT_EQ(GetPropA(owner.hwnd, "CC32SubclassInfo"), nullptr);
    // Each field still answers for itself through the one dispatcher.
    EXPECT_EQ(AskColours(*fields[7]).background, RGB(9, 0, 0));
    EXPECT_EQ(AskColours(*fields[19]).background, RGB(21, 0, 0));
    fields.clear();
    EXPECT_EQ(GetWindowLongPtrA(owner.hwnd, GWLP_WNDPROC), ownProc)
        << "the owner was not given back its procedure";
}

TEST(TextField, StyleFollowsAlignmentAndSize) {
    TestOwner owner;
    TextField right, centred, unseen;
    right.Create({.id = 3, .owner = owner.hwnd, .width = 40, .height = 15, .alignment = TextAlign::Right});
    centred.Create(
        {.id = 4, .owner = owner.hwnd, .y = 20, .width = 40, .height = 15, .alignment = TextAlign::Center});
    unseen.Create({.id = 5, .owner = owner.hwnd, .y = 40, .width = 0, .height = 0});
    const LONG rightStyle = GetWindowLongA(right.Handle(), GWL_STYLE);
    EXPECT_TRUE(rightStyle & ES_RIGHT);
    EXPECT_TRUE(rightStyle & WS_TABSTOP);
    EXPECT_TRUE(rightStyle & ES_NOHIDESEL);
    EXPECT_TRUE(GetWindowLongA(centred.Handle(), GWL_STYLE) & ES_CENTER);
    const LONG unseenStyle = GetWindowLongA(unseen.Handle(), GWL_STYLE);
    EXPECT_FALSE(unseenStyle & WS_TABSTOP);
    EXPECT_FALSE(unseenStyle & (ES_RIGHT | ES_CENTER));
    unseen.SetText("64");
    EXPECT_EQ(unseen.GetText(), "64");
    EXPECT_NE(right.Cursor(), nullptr); // "TEXTCUR" from the program's resources
}

TEST(TextField, ProgramTextIsNotModifiedButTypingIs) {
    TestOwner owner;
    TextField field;
    field.Create({.id = 3, .owner = owner.hwnd, .width = 40, .height = 15});
    SendMessageA(field.Handle(), WM_CHAR, '4', 0);
    EXPECT_TRUE(field.IsModified());
    field.SetText("12");
    EXPECT_FALSE(field.IsModified());
    EXPECT_EQ(field.GetText(), "12");
}

TEST(TextField, HoldsLongTextWhole) {
    TestOwner owner;
    TextField field;
    field.Create({.id = 3, .owner = owner.hwnd, .width = 21, .height = 15, .alignment = TextAlign::Center});
    std::string longText(5000, '8');
    longText += "end";
    field.SetText(longText);
    EXPECT_EQ(field.GetText(), longText);
    // Typing past the visible width goes on too.
    field.SetText("");
    for (int i = 0; i < 40; ++i)
        SendMessageA(field.Handle(), WM_CHAR, '1', 0);
    EXPECT_EQ(field.GetText(), std::string(40, '1'));
}

TEST(TextField, LosingTheFocusCollapsesTheSelection) {
    TestOwner owner;
    TextField field;
    field.Create({.id = 3, .owner = owner.hwnd, .width = 60, .height = 15});
    field.SetText("12345");
    SetFocus(field.Handle());
    SendMessageA(field.Handle(), EM_SETSEL, 1, 4);
    SetFocus(owner.hwnd);
    DWORD start = 0, end = 0;
    SendMessageA(field.Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, end);
}

TEST(TextField, FontsFollowTheGivenSize) {
    TestOwner owner;
    TextField field;
    field.Create({.id = 3, .owner = owner.hwnd, .width = 60, .height = 15});
    auto heightOf = [&] {
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(field.Handle(), WM_GETFONT, 0, 0));
        LOGFONTA info{};
        GetObjectA(font, sizeof info, &info);
        return info.lfHeight;
    };
    const LONG sevenPoint = heightOf();
    field.SetFont("", 0);              // 9 points
    EXPECT_LT(heightOf(), sevenPoint); // heights are negative: a bigger font is more negative
    const GdiFont shared(CreateFontA(-30, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial"));
    field.UseFont(shared.Get());
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(field.Handle(), WM_GETFONT, 0, 0)), shared.Get());
}

} // namespace
