#include "tone/SoundCardToneWin32.h"

#include <windows.h>

#include <mmsystem.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "tone/SpeakerHardwareWin32.h"
#include "tone/VoiceChoice.h"

namespace {

// A device whose buffers stop coming back for this long is taken as gone (unplugged, stuck).
constexpr DWORD kStalledMs = 2000;
// The audio thread also wakes without a finished buffer, so the position is read often enough
// for the map to see a stall as it happens.
constexpr DWORD kWakeMs = 5;

// The played-sample count of a waveOut position, whatever unit the driver chose to give.
bool PlayedSamples(HWAVEOUT handle, int sampleRate, uint32_t& samples) {
    MMTIME time{};
    time.wType = TIME_SAMPLES;
    if (waveOutGetPosition(handle, &time, sizeof time) != MMSYSERR_NOERROR) return false;
    switch (time.wType) {
    case TIME_SAMPLES: samples = time.u.sample; return true;
    case TIME_BYTES: samples = time.u.cb / sizeof(int16_t); return true; // mono, 16 bits
    case TIME_MS:
        samples = static_cast<uint32_t>(static_cast<uint64_t>(time.u.ms) * sampleRate / 1000);
        return true;
    default: return false;
    }
}

} // namespace

struct SoundCardToneWin32::Device {
    HWAVEOUT handle = nullptr;
    HANDLE wake = nullptr; // signalled by the device at every finished buffer, and to quit
    HANDLE thread = nullptr;
    std::vector<std::vector<int16_t>> samples;
    std::vector<WAVEHDR> headers;
    int sampleRate = 44100;
    std::atomic<bool> failed{false};

    // Held while the audio thread touches the voice or the clock; the close takes it once to
    // see the thread let go of both for good.
    std::mutex inUse;
    bool quit = false; // under inUse
    SoundCardVoice* voice = nullptr;
    StepTimer* clock = nullptr;

    // The position as one unbroken count: the device's wraps at 2^32.
    uint32_t lastPosition = 0;
    int64_t played = 0;

    ~Device() {
        if (wake != nullptr) CloseHandle(wake);
        if (thread != nullptr) CloseHandle(thread);
    }

    bool Submit(size_t i) {
        WAVEHDR& header = headers[i];
        header.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
        return waveOutWrite(handle, &header, sizeof header) == MMSYSERR_NOERROR;
    }

    void ReadPosition() {
        uint32_t now = 0;
        if (!PlayedSamples(handle, sampleRate, now)) return;
        played += static_cast<uint32_t>(now - lastPosition);
        lastPosition = now;
    }

    // Renders every buffer the device has handed back, in ring order; false once closing.
    bool Refill(size_t& next, std::vector<size_t>& ready) {
        std::lock_guard<std::mutex> guard(inUse);
        if (quit) return false;
        // The clock is read after the position, so the reading never runs ahead of the sound.
        voice->ObservePosition(clock->PreciseMs(), played);
        while (ready.size() < headers.size() && (headers[next].dwFlags & WHDR_DONE) != 0) {
            voice->RenderBlock(samples[next].data());
            ready.push_back(next);
            next = (next + 1) % headers.size();
        }
        return true;
    }

    // The audio thread: reads the position, refills each buffer as the device hands it back.
    void Run() {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
        size_t next = 0;
        std::vector<size_t> ready;
        ready.reserve(headers.size());
        DWORD lastDone = GetTickCount();
        for (;;) {
            WaitForSingleObject(wake, kWakeMs);
            ReadPosition();
            ready.clear();
            if (!Refill(next, ready)) break;
            for (size_t i : ready) {
                if (!Submit(i)) failed = true;
            }
            if (!ready.empty()) lastDone = GetTickCount();
            if (GetTickCount() - lastDone > kStalledMs) failed = true;
            if (failed.load()) break;
        }
        // Closing happens here, not on the UI thread, so a driver that is slow to close holds up
        // nobody; nothing outside this device is touched any more.
        waveOutReset(handle);
        for (WAVEHDR& header : headers)
            waveOutUnprepareHeader(handle, &header, sizeof header);
        waveOutClose(handle);
    }

    static DWORD WINAPI ThreadMain(void* param) {
        // The thread holds the device alive until it is done with it.
        auto* self = static_cast<std::shared_ptr<Device>*>(param);
        std::shared_ptr<Device> device = std::move(*self);
        delete self;
        device->Run();
        return 0;
    }
};

SoundCardToneWin32::SoundCardToneWin32(StepTimer& stepClock, ToneOutput& fallbackOutput,
                                       const VoiceSetup& setup)
    : voice(setup), clock(stepClock), fallback(fallbackOutput) {}

SoundCardToneWin32::~SoundCardToneWin32() {
    if (!device) return;
    {
        // Waits at most for one refill under way; from here on the thread touches neither the
        // voice nor the clock, which go away with this object's owner.
        std::lock_guard<std::mutex> guard(device->inUse);
        device->quit = true;
    }
    SetEvent(device->wake);
}

bool SoundCardToneWin32::Open() {
    if (device) return Working();
    auto opened = std::make_shared<Device>();
    opened->voice = &voice;
    opened->clock = &clock;
    opened->wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (opened->wake == nullptr) return false;

    const VoiceSetup& setup = voice.Setup();
    opened->sampleRate = setup.sampleRate;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = static_cast<DWORD>(setup.sampleRate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    if (waveOutOpen(&opened->handle, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(opened->wake), 0,
                    CALLBACK_EVENT) != MMSYSERR_NOERROR)
        return false;

    const auto count = static_cast<size_t>(setup.blocks);
    opened->samples.assign(count, std::vector<int16_t>(static_cast<size_t>(setup.blockSamples), 0));
    opened->headers.assign(count, WAVEHDR{});
    bool ready = true;
    for (size_t i = 0; i < count && ready; ++i) {
        WAVEHDR& header = opened->headers[i];
        header.lpData = reinterpret_cast<LPSTR>(opened->samples[i].data());
        header.dwBufferLength = static_cast<DWORD>(setup.blockSamples * sizeof(int16_t));
        ready = waveOutPrepareHeader(opened->handle, &header, sizeof header) == MMSYSERR_NOERROR;
    }
    // The ring starts full of silence; the thread refills each buffer as it comes back.
    waveOutPause(opened->handle);
    for (size_t i = 0; i < count && ready; ++i) {
        voice.RenderBlock(opened->samples[i].data());
        ready = opened->Submit(i);
    }
    waveOutRestart(opened->handle);
    if (ready) {
        auto* handOver = new std::shared_ptr<Device>(opened);
        opened->thread = CreateThread(nullptr, 0, &Device::ThreadMain, handOver, 0, nullptr);
        if (opened->thread == nullptr) {
            delete handOver;
            ready = false;
        }
    }
    if (!ready) {
        waveOutReset(opened->handle);
        for (WAVEHDR& header : opened->headers)
            waveOutUnprepareHeader(opened->handle, &header, sizeof header);
        waveOutClose(opened->handle);
        return false;
    }
    device = std::move(opened);
    return true;
}

bool SoundCardToneWin32::Working() const { return device && !device->failed.load(); }

ToneOutput& SoundCardToneWin32::Sounding() {
    if (Working()) return voice;
    // Said once, on whichever thread notices first; the main window shows it.
    static std::atomic<bool> told{false};
    if (device && !told.exchange(true)) RaiseSoundCardFallbackNotice();
    return fallback;
}

void SoundCardToneWin32::PlayNote(int note, int lengthMs) { Sounding().PlayNote(note, lengthMs); }

void SoundCardToneWin32::PlayCue(const ToneCue& cue) { Sounding().PlayCue(cue); }

void SoundCardToneWin32::EndRun(uint32_t run) {
    voice.EndRunAt(run, clock.PreciseMs());
    fallback.EndRun(run);
}

void SoundCardToneWin32::Silence() {
    voice.Silence();
    fallback.Silence();
}

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool SpeakerPathUsable() {
    if (!TheSpeakerTone().UsesBeep()) return true; // the ports of the 9x family
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr) return true; // cannot tell: keep the speaker Windows users know
    SC_HANDLE beep = OpenServiceA(manager, "Beep", SERVICE_QUERY_STATUS);
    const bool missing = beep == nullptr && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    if (beep != nullptr) CloseServiceHandle(beep);
    CloseServiceHandle(manager);
    return !missing;
}
