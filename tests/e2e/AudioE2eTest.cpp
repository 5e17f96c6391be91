// The program heard: the test build plays its start-up setup through the sound card while a
// PulseAudio null sink records it (tools/audio-e2e.sh sets that up and checks the recording
// against the tone log this test leaves). Skipped unless KB_AUDIO_TONE_LOG names the log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "E2eSupport.h"

namespace {

int LinesIn(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return static_cast<int>(
        std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n'));
}

double ProcessCpuMs(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0.0;
    auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

TEST(AudioE2e, TheStartUpSetupIsPlayedThroughTheSoundCard) {
    const char* log = std::getenv("KB_AUDIO_TONE_LOG");
    if (log == nullptr || log[0] == '\0') GTEST_SKIP() << "run by tools/audio-e2e.sh";
    const char* wanted = std::getenv("KB_AUDIO_TONES");
    const int tones = std::clamp(wanted != nullptr ? std::atoi(wanted) : 48, 8, 100000);
    DeleteFileA(log);

    const ScopedVoice soundCard(HarnessVoice::SoundCard);
    RunningCopy copy = StartCopy("", {std::string("KESTREL_TONE_LOG=") + log}, "kestrelbox_probe.exe");
    ASSERT_NE(copy.window, nullptr);
    const double cpuBefore = ProcessCpuMs(copy.process.hProcess);
    const DWORD wallBefore = GetTickCount();
    PostMessageA(copy.window, WM_KEYDOWN, VK_SPACE, 1);
    PostMessageA(copy.window, WM_KEYUP, VK_SPACE, 0xC0000001);
    const DWORD limitMs = 10000 + static_cast<DWORD>(tones) * 400;
    WaitFor([&] { return LinesIn(log) >= tones; }, static_cast<int>(limitMs), 50);
    const double cpuPercent = 100.0 * (ProcessCpuMs(copy.process.hProcess) - cpuBefore) /
                              std::max<DWORD>(1, GetTickCount() - wallBefore);
    EXPECT_GE(LinesIn(log), tones) << "the program stopped playing";
    PostMessageA(copy.window, WM_KEYDOWN, VK_SPACE, 1);
    PostMessageA(copy.window, WM_KEYUP, VK_SPACE, 0xC0000001);
    std::printf("program cpu while playing: %.2f %%\n", cpuPercent);
    EXPECT_TRUE(CloseCopy(copy)) << "closing while the sound card plays hung";
    EndCopy(copy);
}

} // namespace
