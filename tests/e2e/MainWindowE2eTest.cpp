// The real program under Wine: its window as another program (or a running copy) sees it.
#include <gtest/gtest.h>

#include "E2eSupport.h"

namespace {

class MainWindowE2e : public ::testing::Test {
protected:
    void SetUp() override {
        copy = StartCopy();
        ASSERT_NE(copy.window, nullptr) << "no main window appeared";
    }
    void TearDown() override { EndCopy(copy); }
    RunningCopy copy;
};

TEST_F(MainWindowE2e, CaptionIsTheBytesCopiesLookFor) {
    // Other copies compare these bytes exactly: the division sign is 0xF7, not a UTF-8 pair.
    EXPECT_EQ(WindowTitle(copy.window), std::string(" -  +  \xF7  x"));
}

TEST_F(MainWindowE2e, OpensCentredAt707By111AndResizesOnlyInWidth) {
    const SIZE client = ClientSize(copy.window);
    EXPECT_EQ(client.cx, 707);
    EXPECT_EQ(client.cy, 111);

    RECT window{}, work{};
    GetWindowRect(copy.window, &window);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((window.left + window.right) / 2, (work.left + work.right) / 2, 2);
    EXPECT_NEAR((window.top + window.bottom) / 2, (work.top + work.bottom) / 2, 2);

    const int frameX = (window.right - window.left) - client.cx;
    const int frameY = (window.bottom - window.top) - client.cy;
    // Too wide and too tall: held at 707 x 111.
    SetWindowPos(copy.window, nullptr, 0, 0, 900 + frameX, 300 + frameY, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(ClientSize(copy.window).cx, 707);
    EXPECT_EQ(ClientSize(copy.window).cy, 111);
    // Too narrow: held at one step column's width.
    SetWindowPos(copy.window, nullptr, 0, 0, 20 + frameX, 40 + frameY, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(ClientSize(copy.window).cx, 133);
    EXPECT_EQ(ClientSize(copy.window).cy, 111);
    // In between: the width is the user's.
    SetWindowPos(copy.window, nullptr, 0, 0, 400 + frameX, 111 + frameY, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(ClientSize(copy.window).cx, 400);
}

TEST_F(MainWindowE2e, CloseRequestEndsTheProgram) {
    ASSERT_TRUE(CloseCopy(copy));
    DWORD exitCode = 1;
    GetExitCodeProcess(copy.process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

} // namespace
