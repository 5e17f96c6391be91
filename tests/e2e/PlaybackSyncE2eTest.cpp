// Running copies start and stop together: the space bar in one copy reaches the others through
// the caption broadcast, and Control held keeps it to the one copy. Observed from outside through
// the test build's tone log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "E2eSupport.h"

namespace {

constexpr char kProbeExe[] = "kestrelbox_probe.exe";

std::string TempLogPath(const char* name) {
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + "kestrel_tone_" + std::to_string(GetCurrentProcessId()) + "_" + name + ".log";
}

// Tones a copy has sounded so far: one line each in its log.
int TonesLogged(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return static_cast<int>(
        std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n'));
}

bool WaitForTones(const std::string& path, int atLeast, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (TonesLogged(path) < atLeast) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

// True when no tone is added to the log during `ms` (a tone already under way may still land
// during the first moments, so the caller lets the copy settle first).
bool StaysSilent(const std::string& path, DWORD ms) {
    const int before = TonesLogged(path);
    Sleep(ms);
    return TonesLogged(path) == before;
}

void PressSpace(HWND window) {
    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 1);
    PostMessageA(window, WM_KEYUP, VK_SPACE, 0xC0000001);
}

// Holds Control in the system's key state, which every process reads with GetAsyncKeyState.
class HeldControl {
public:
    HeldControl() { keybd_event(VK_CONTROL, 0, 0, 0); }
    ~HeldControl() { keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0); }
    HeldControl(const HeldControl&) = delete;
    HeldControl& operator=(const HeldControl&) = delete;
};

class PlaybackSyncE2e : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 2; ++i) {
            logs[i] = TempLogPath(i == 0 ? "a" : "b");
            DeleteFileA(logs[i].c_str());
            copies[i] = StartCopy("", {"KESTREL_TONE_LOG=" + logs[i]}, kProbeExe);
            ASSERT_NE(copies[i].window, nullptr) << "copy " << i << " has no window";
        }
        ASSERT_EQ(TonesLogged(logs[0]), 0);
        ASSERT_EQ(TonesLogged(logs[1]), 0);
    }
    void TearDown() override {
        for (int i = 0; i < 2; ++i) {
            EndCopy(copies[i]);
            DeleteFileA(logs[i].c_str());
        }
    }

    RunningCopy copies[2];
    std::string logs[2];
};

TEST_F(PlaybackSyncE2e, SpaceInOneCopyStartsAndStopsBoth) {
    PressSpace(copies[0].window);
    EXPECT_TRUE(WaitForTones(logs[0], 4, 10000)) << "the copy that was pressed does not play";
    EXPECT_TRUE(WaitForTones(logs[1], 4, 10000)) << "the other copy was not started";

    PressSpace(copies[0].window);
    Sleep(400);
    EXPECT_TRUE(StaysSilent(logs[0], 1000)) << "the copy that was pressed still plays";
    EXPECT_TRUE(StaysSilent(logs[1], 1000)) << "the other copy was not stopped";

    // Either copy can lead: space in the second starts both again.
    PressSpace(copies[1].window);
    const int first = TonesLogged(logs[0]);
    EXPECT_TRUE(WaitForTones(logs[0], first + 4, 10000));
    PressSpace(copies[1].window);
}

TEST_F(PlaybackSyncE2e, ControlSpaceStartsAndStopsOnlyThisCopy) {
    {
        HeldControl control;
        PressSpace(copies[0].window);
        ASSERT_TRUE(WaitForTones(logs[0], 4, 10000)) << "the copy that was pressed does not play";
    }
    EXPECT_TRUE(StaysSilent(logs[1], 1000)) << "Control+space started the other copy too";

    // The other copy, started on its own, plays on when the first stops alone.
    PressSpace(copies[1].window); // no Control: starts copy 1; copy 0 already plays and ignores it
    ASSERT_TRUE(WaitForTones(logs[1], 4, 10000));
    {
        HeldControl control;
        PressSpace(copies[0].window);
        Sleep(400);
    }
    EXPECT_TRUE(StaysSilent(logs[0], 1000)) << "Control+space did not stop this copy";
    const int second = TonesLogged(logs[1]);
    EXPECT_TRUE(WaitForTones(logs[1], second + 4, 10000)) << "Control+space stopped the other copy";
}

TEST_F(PlaybackSyncE2e, ClosingAPlayingCopyEndsItCleanly) {
    PressSpace(copies[0].window);
    ASSERT_TRUE(WaitForTones(logs[0], 4, 10000));
    ASSERT_TRUE(CloseCopy(copies[0]));
    DWORD exitCode = 1;
    GetExitCodeProcess(copies[0].process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    // The other copy keeps playing: closing is not a stop request.
    const int other = TonesLogged(logs[1]);
    EXPECT_TRUE(WaitForTones(logs[1], other + 4, 10000));
}

TEST(ToneProbe, OnlyTheTestBuildCarriesTheToneLog) {
    auto bytesOf = [](const char* exe) {
        std::ifstream in(ProgramPath(exe), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    const std::string probe = bytesOf(kProbeExe);
    const std::string release = bytesOf("kestrelbox.exe");
    ASSERT_FALSE(probe.empty());
    ASSERT_FALSE(release.empty());
    EXPECT_NE(probe.find("KESTREL_TONE_LOG"), std::string::npos);
    EXPECT_EQ(release.find("KESTREL_TONE_LOG"), std::string::npos);
}

} // namespace
