// Running copies start and stop together: the space bar in one copy reaches the others through
// the caption broadcast, and Control held keeps it to the one copy. Observed from outside through
// the test build's tone log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "app/ToneLogOutput.h"

namespace {

// Only a safety net: every wait below ends as soon as what it waits for has happened.
constexpr int kSafetyLimitMs = 30000;

std::string TempLogPath(const char* name) {
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + "kestrel_tone_" + std::to_string(GetCurrentProcessId()) + "_" + name + ".log";
}

std::vector<std::string> LogLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Tones a copy has sounded so far: the log lines that begin with their time.
int TonesLogged(const std::string& path) {
    const std::vector<std::string> lines = LogLines(path);
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return !line.empty() && std::isdigit(static_cast<unsigned char>(line[0]));
    }));
}

// Another process's log gives no signal to wait on: it is looked at again until it holds enough.
bool WaitForTones(const std::string& path, int atLeast) {
    return WaitFor([&] { return TonesLogged(path) >= atLeast; }, kSafetyLimitMs);
}

enum class Transport { Stopped, Playing, NoAnswer };

std::ostream& operator<<(std::ostream& out, Transport transport) {
    switch (transport) {
    case Transport::Stopped: return out << "stopped";
    case Transport::Playing: return out << "playing";
    default: return out << "no answer";
    }
}

// Posts a mark request to the copy and waits for the mark in its log. The copy takes its messages
// in order, so by then it has handled everything posted to it before: the test's key presses and
// the other copies' broadcasts. Returns whether it was playing at that point.
Transport TransportAfterQueue(HWND window, const std::string& path, int timeoutMs = kSafetyLimitMs) {
    static const UINT markMessage = RegisterWindowMessageA(kProbeMarkMessage);
    static unsigned long sequence = 0;
    const std::string prefix = "mark " + std::to_string(++sequence) + " ";
    PostMessageA(window, markMessage, sequence, 0);
    Transport transport = Transport::NoAnswer;
    WaitFor(
        [&] {
            for (const std::string& line : LogLines(path)) {
                if (line.compare(0, prefix.size(), prefix) == 0) {
                    transport =
                        line.compare(prefix.size(), 1, "1") == 0 ? Transport::Playing : Transport::Stopped;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return transport;
}

void PressSpace(HWND window) { PressKey(window, VK_SPACE); }

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
    EXPECT_TRUE(WaitForTones(logs[0], 4)) << "the copy that was pressed does not play";
    EXPECT_TRUE(WaitForTones(logs[1], 4)) << "the other copy was not started";

    PressSpace(copies[0].window);
    EXPECT_EQ(TransportAfterQueue(copies[0].window, logs[0]), Transport::Stopped)
        << "the copy that was pressed still plays";
    const int firstAtStop = TonesLogged(logs[0]);
    // The first copy broadcast its stop before it answered, so the stop is queued ahead here.
    EXPECT_EQ(TransportAfterQueue(copies[1].window, logs[1]), Transport::Stopped)
        << "the other copy was not stopped";
    const int secondAtStop = TonesLogged(logs[1]);
    // Silence is watched while each copy answers 25 marks in turn, each only once everything
    // queued before it has been handled: a copy still sounding logs tones meanwhile. A tone
    // booked just before a stop may still be logged after it.
    for (int mark = 0; mark < 25; ++mark) {
        ASSERT_EQ(TransportAfterQueue(copies[0].window, logs[0]), Transport::Stopped);
        ASSERT_EQ(TransportAfterQueue(copies[1].window, logs[1]), Transport::Stopped);
    }
    EXPECT_LE(TonesLogged(logs[0]), firstAtStop + 1) << "the copy that was pressed still sounds";
    EXPECT_LE(TonesLogged(logs[1]), secondAtStop + 1) << "the other copy still sounds";

    // Either copy can lead: space in the second starts both again.
    PressSpace(copies[1].window);
    const int first = TonesLogged(logs[0]);
    EXPECT_TRUE(WaitForTones(logs[0], first + 4));
    PressSpace(copies[1].window);
}

TEST_F(PlaybackSyncE2e, ControlSpaceStartsAndStopsOnlyThisCopy) {
    {
        HeldKey control(copies[0].window, VK_CONTROL);
        ASSERT_TRUE(control.IsHeld());
        PressSpace(copies[0].window);
        ASSERT_TRUE(WaitForTones(logs[0], 4)) << "the copy that was pressed does not play";
    }
    // Had the first copy broadcast its start, the start would be queued ahead of the mark.
    EXPECT_EQ(TransportAfterQueue(copies[1].window, logs[1]), Transport::Stopped)
        << "Control+space started the other copy too";
    EXPECT_EQ(TonesLogged(logs[1]), 0);

    // The other copy, started on its own, plays on when the first stops alone.
    PressSpace(copies[1].window); // no Control: starts copy 1; copy 0 already plays and ignores it
    ASSERT_TRUE(WaitForTones(logs[1], 4));
    {
        HeldKey control(copies[0].window, VK_CONTROL);
        ASSERT_TRUE(control.IsHeld());
        PressSpace(copies[0].window);
        // Control stays held until the copy has handled the key.
        EXPECT_EQ(TransportAfterQueue(copies[0].window, logs[0]), Transport::Stopped)
            << "Control+space did not stop this copy";
    }
    const int firstAtStop = TonesLogged(logs[0]);
    EXPECT_EQ(TransportAfterQueue(copies[1].window, logs[1]), Transport::Playing)
        << "Control+space stopped the other copy";
    const int second = TonesLogged(logs[1]);
    EXPECT_TRUE(WaitForTones(logs[1], second + 4)) << "the other copy no longer sounds";
    // Watched while the other copy sounded four tones; one booked before the stop may follow it.
    EXPECT_LE(TonesLogged(logs[0]), firstAtStop + 1) << "the stopped copy still sounds";
}

TEST_F(PlaybackSyncE2e, ClosingAPlayingCopyEndsItCleanly) {
    PressSpace(copies[0].window);
    ASSERT_TRUE(WaitForTones(logs[0], 4));
    ASSERT_TRUE(CloseCopy(copies[0]));
    DWORD exitCode = 1;
    GetExitCodeProcess(copies[0].process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    // The other copy keeps playing: closing is not a stop request.
    const int other = TonesLogged(logs[1]);
    EXPECT_TRUE(WaitForTones(logs[1], other + 4));
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
    for (const char* hook : {"KESTREL_TONE_LOG", kProbeMarkMessage}) {
        EXPECT_NE(probe.find(hook), std::string::npos) << hook;
        EXPECT_EQ(release.find(hook), std::string::npos) << hook;
    }
}

} // namespace

// At the fastest tempo the controls allow, with one step per measure, a step and a pass start on
// every timer tick. The window must still take the user's keys: a key press stops it at once.
TEST(FastTempoE2e, AKeyStopsPlayingAtTenMillionBeatsPerMinuteWithOneStepPerMeasure) {
    const std::string log = TempLogPath("fast");
    DeleteFileA(log.c_str());
    RunningCopy copy = StartCopy("", {"KESTREL_TONE_LOG=" + log}, kProbeExe);
    ASSERT_NE(copy.window, nullptr);
    HWND window = copy.window;
    // The narrowest window holds one step column, the user's way of setting one step per measure.
    RECT frame{}, client{};
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    const int narrow = (frame.right - frame.left) - client.right + 133;
    SetWindowPos(window, nullptr, 0, 0, narrow, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    TypeInto(GetDlgItem(window, 1008), "10000000");
    PostClick(window, 92, 50); // off the field: the typed tempo is committed
    ASSERT_EQ(TransportAfterQueue(window, log), Transport::Stopped);
    ASSERT_EQ(ClientSize(window).cx, 133);

    PressSpace(window);
    ASSERT_EQ(TransportAfterQueue(window, log), Transport::Playing);
    // Playing flat out while the window answers 25 marks in a row, each only once everything
    // queued before it has been handled, so that a queue that could fill would be full by now.
    for (int mark = 0; mark < 25; ++mark)
        ASSERT_EQ(TransportAfterQueue(window, log), Transport::Playing) << "mark " << mark;
    PressSpace(window);
    // Within a second or not at all: a window drowned in its own messages took minutes.
    EXPECT_EQ(TransportAfterQueue(window, log, 1000), Transport::Stopped)
        << "the key did not get through while playing";
    EndCopy(copy); // the setup has changed: a close request would ask about saving it
    DeleteFileA(log.c_str());
}
