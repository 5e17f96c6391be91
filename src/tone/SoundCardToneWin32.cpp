#include "tone/SoundCardToneWin32.h"

#include <windows.h>

#include <mmsystem.h>

#include <vector>

#include "tone/SpeakerHardwareWin32.h"
#include "tone/VoiceChoice.h"

namespace {

// A device whose buffers stop coming back for this long is taken as gone (unplugged, stuck).
constexpr DWORD kStalledMs = 2000;
constexpr DWORD kCloseWaitMs = 2000;

} // namespace

struct SoundCardToneWin32::Device {
    HWAVEOUT handle = nullptr;
    HANDLE wake = nullptr; // signalled by the device at every finished buffer, and to quit
    HANDLE thread = nullptr;
    std::vector<std::vector<int16_t>> samples;
    std::vector<WAVEHDR> headers;
    std::atomic<bool> quit{false};
    std::atomic<bool> failed{false};
    SoundCardVoice* voice = nullptr;

    ~Device() {
        if (wake != nullptr) CloseHandle(wake);
        if (thread != nullptr) CloseHandle(thread);
    }

    bool Submit(size_t i) {
        WAVEHDR& header = headers[i];
        header.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
        return waveOutWrite(handle, &header, sizeof header) == MMSYSERR_NOERROR;
    }

    // The audio thread: refills each buffer as the device hands it back, in ring order.
    void Run() {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
        const size_t count = headers.size();
        size_t next = 0;
        DWORD lastDone = GetTickCount();
        while (!quit.load()) {
            WaitForSingleObject(wake, 50);
            if (quit.load()) break;
            size_t done = 0;
            while (done < count && (headers[next].dwFlags & WHDR_DONE) != 0) {
                voice->RenderBlock(samples[next].data());
                if (!Submit(next)) {
                    failed = true;
                    break;
                }
                next = (next + 1) % count;
                ++done;
            }
            if (done > 0) lastDone = GetTickCount();
            if (GetTickCount() - lastDone > kStalledMs) failed = true;
            if (failed.load()) break;
        }
        // Closing happens here, not on the UI thread, so a driver that hangs in it holds up
        // nobody but this thread.
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

SoundCardToneWin32::SoundCardToneWin32(StepTimer& clock, ToneOutput& fallback, const VoiceSetup& setup)
    : voice_(setup, clock), fallback_(fallback) {}

SoundCardToneWin32::~SoundCardToneWin32() {
    if (!device_) return;
    device_->quit = true;
    SetEvent(device_->wake);
    WaitForSingleObject(device_->thread, kCloseWaitMs);
}

bool SoundCardToneWin32::Open() {
    if (device_) return Working();
    auto device = std::make_shared<Device>();
    device->voice = &voice_;
    device->wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (device->wake == nullptr) return false;

    const VoiceSetup& setup = voice_.Setup();
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = static_cast<DWORD>(setup.sampleRate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    if (waveOutOpen(&device->handle, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(device->wake), 0,
                    CALLBACK_EVENT) != MMSYSERR_NOERROR)
        return false;

    const auto count = static_cast<size_t>(setup.blocks);
    device->samples.assign(count, std::vector<int16_t>(static_cast<size_t>(setup.blockSamples), 0));
    device->headers.assign(count, WAVEHDR{});
    bool ready = true;
    for (size_t i = 0; i < count && ready; ++i) {
        WAVEHDR& header = device->headers[i];
        header.lpData = reinterpret_cast<LPSTR>(device->samples[i].data());
        header.dwBufferLength = static_cast<DWORD>(setup.blockSamples * sizeof(int16_t));
        ready = waveOutPrepareHeader(device->handle, &header, sizeof header) == MMSYSERR_NOERROR;
    }
    // The ring starts full: silence first, then each buffer is refilled as it comes back.
    waveOutPause(device->handle);
    for (size_t i = 0; i < count && ready; ++i) {
        voice_.RenderBlock(device->samples[i].data());
        ready = device->Submit(i);
    }
    waveOutRestart(device->handle);
    if (ready) {
        auto* handOver = new std::shared_ptr<Device>(device);
        device->thread = CreateThread(nullptr, 0, &Device::ThreadMain, handOver, 0, nullptr);
        if (device->thread == nullptr) {
            delete handOver;
            ready = false;
        }
    }
    if (!ready) {
        waveOutReset(device->handle);
        for (WAVEHDR& header : device->headers)
            waveOutUnprepareHeader(device->handle, &header, sizeof header);
        waveOutClose(device->handle);
        return false;
    }
    device_ = std::move(device);
    return true;
}

bool SoundCardToneWin32::Working() const { return device_ && !device_->failed.load(); }

ToneOutput& SoundCardToneWin32::Sounding() {
    if (Working()) return voice_;
    // Said once, on whichever thread notices first; the main window shows it.
    static std::atomic<bool> told{false};
    if (device_ && !told.exchange(true)) RaiseSoundCardFallbackNotice();
    return fallback_;
}

void SoundCardToneWin32::PlayNote(int note, int lengthMs) { Sounding().PlayNote(note, lengthMs); }

void SoundCardToneWin32::PlayCue(const ToneCue& cue) { Sounding().PlayCue(cue); }

void SoundCardToneWin32::EndRun(uint32_t run) {
    voice_.EndRun(run);
    fallback_.EndRun(run);
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
