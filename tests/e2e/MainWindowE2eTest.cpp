// The real program under Wine: its window as another program (or a running copy) sees it, and
// what it says when it cannot be heard.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "E2eSupport.h"
#include "ResourceIds.h"
#include "app/ProbeHooks.h"

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

// Wine's choice of audio driver for the programs started while this lives; "" is none at all.
class ScopedAudioDriver {
public:
    explicit ScopedAudioDriver(const char* driver) {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Drivers", 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr);
        char value[64] = {};
        DWORD size = sizeof value - 1;
        had = RegQueryValueExA(key, "Audio", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
              ERROR_SUCCESS;
        previous = value;
        RegSetValueExA(key, "Audio", 0, REG_SZ, reinterpret_cast<const BYTE*>(driver),
                       static_cast<DWORD>(std::strlen(driver) + 1));
    }
    ~ScopedAudioDriver() {
        if (had)
            RegSetValueExA(key, "Audio", 0, REG_SZ, reinterpret_cast<const BYTE*>(previous.c_str()),
                           static_cast<DWORD>(previous.size() + 1));
        else
            RegDeleteValueA(key, "Audio");
        RegCloseKey(key);
    }
    ScopedAudioDriver(const ScopedAudioDriver&) = delete;
    ScopedAudioDriver& operator=(const ScopedAudioDriver&) = delete;

private:
    HKEY key = nullptr;
    bool had = false;
    std::string previous;
};

TEST(SilenceE2e, AStartWithNoSoundServerTellsOnceWhyNothingIsHeard) {
    if (!UnderWine()) GTEST_SKIP() << "the speaker sounds on Windows";
    // No sound server: Wine's audio reaches no device. The machine chooses the voice, as on a
    // first start.
    const ScopedAudioDriver noDevice("");
    const ScopedVoice machineDecides(HarnessVoice::MachineDecides);
    HANDLE echoed = CreateEventA(nullptr, FALSE, FALSE, kProbeEchoEvent);
    RunningCopy copy = StartCopy("", {}, "kestrelbox_probe.exe");
    ASSERT_NE(copy.window, nullptr);
    HWND note = WaitForCaption(copy, "NOTE!");
    ASSERT_NE(note, nullptr);
    const std::string text = ChildTexts(note);
    EXPECT_NE(text.find("cannot be heard"), std::string::npos) << text;
    EXPECT_NE(text.find("sound server"), std::string::npos) << text;
    ClickButton(note, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(note); }));

    // Asking for the sound card again fails again, and says nothing more this run. Two echoes:
    // the first comes back once the command has been handled, the second once anything that
    // command posted has been, a box included.
    RunMenuCommand(copy.window, IDC_CMD_SOUND_CARD);
    for (int i = 0; i < 2; ++i) {
        PostMessageA(copy.window, kProbeEchoMessage, 0, 0);
        ASSERT_EQ(WaitForSingleObject(echoed, 20000), WAIT_OBJECT_0);
    }
    EXPECT_EQ(WaitForCaption(copy, "NOTE!", 0), nullptr);
    CloseHandle(echoed);
    EXPECT_TRUE(CloseCopy(copy));
    EndCopy(copy);
}

} // namespace
