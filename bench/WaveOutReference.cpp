// The reference for the sound card's figures: a bare waveOut loop with the program's ring (16
// buffers of 256 samples, mono, 44.1 kHz, an event at every finished buffer), which sounds a 10 ms
// burst at every 22,050th sample and writes down the driver's count of played samples against
// the performance counter at every wake. Recorded beside its sound (tools/audio-e2e.sh does it
// with KB_AUDIO_REPORT=1), it shows what the count itself tells of the sound, with no program
// logic between them.
//
//   waveout_reference SECONDS LOG      LOG gets one line "<ms> <played samples>" per reading
#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "BenchConditions.h"

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 256;
constexpr int kBlocks = 16;
constexpr int64_t kBurstEvery = kRate / 2;
constexpr int64_t kBurstLength = kRate / 100;
constexpr DWORD kWakeMs = 5; // as the program's audio thread

void Render(int16_t* block, int64_t first) {
    for (int i = 0; i < kBlock; ++i) {
        const int64_t phase = (first + i) % kBurstEvery;
        block[i] = phase < kBurstLength ? ((phase / 11) % 2 != 0 ? 8000 : -8000) : 0;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: waveout_reference SECONDS LOG\n");
        return 2;
    }
    const int seconds = std::clamp(std::atoi(argv[1]), 1, 3600);
    FILE* log = std::fopen(argv[2], "w");
    if (log == nullptr) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = kRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = kRate * 2;
    HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HWAVEOUT device = nullptr;
    if (wake == nullptr ||
        waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(wake), 0, CALLBACK_EVENT) !=
            MMSYSERR_NOERROR) {
        std::fprintf(stderr, "the sound device cannot be opened\n");
        return 1;
    }
    std::array<std::array<int16_t, kBlock>, kBlocks> samples{};
    std::array<WAVEHDR, kBlocks> headers{};
    int64_t written = 0;
    for (int i = 0; i < kBlocks; ++i) {
        Render(samples[i].data(), written);
        written += kBlock;
        headers[i].lpData = reinterpret_cast<LPSTR>(samples[i].data());
        headers[i].dwBufferLength = kBlock * 2;
        waveOutPrepareHeader(device, &headers[i], sizeof(WAVEHDR));
        waveOutWrite(device, &headers[i], sizeof(WAVEHDR));
    }
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    const double endMs = bench::NowMs() + seconds * 1000.0;
    int next = 0;
    while (bench::NowMs() < endMs) {
        WaitForSingleObject(wake, kWakeMs);
        MMTIME time{};
        time.wType = TIME_SAMPLES;
        waveOutGetPosition(device, &time, sizeof time);
        // The clock is read after the count, as the program does.
        const double nowMs = bench::NowMs();
        const unsigned long played = time.wType == TIME_BYTES ? time.u.cb / 2 : time.u.sample;
        std::fprintf(log, "%.4f %lu\n", nowMs, played);
        while ((headers[next].dwFlags & WHDR_DONE) != 0) {
            headers[next].dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
            Render(samples[next].data(), written);
            written += kBlock;
            waveOutWrite(device, &headers[next], sizeof(WAVEHDR));
            next = (next + 1) % kBlocks;
        }
    }
    waveOutReset(device);
    for (WAVEHDR& header : headers)
        waveOutUnprepareHeader(device, &header, sizeof header);
    waveOutClose(device);
    CloseHandle(wake);
    std::fclose(log);
    return 0;
}
