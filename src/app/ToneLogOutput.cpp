#include "app/ToneLogOutput.h"

#include <windows.h>

#include <mmsystem.h>

#include <cstdarg>

namespace {

// A message hook has no user value; one log per process answers the marks.
ToneLogOutput* markLog = nullptr;
UINT markMessage = 0;

// Sees each message as the loop takes it from the queue, before it is handled, so a mark is
// written after everything queued ahead of it and without touching the window.
LRESULT CALLBACK OnMessageTaken(int code, WPARAM removed, LPARAM lParam) {
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && removed == PM_REMOVE && markLog != nullptr && msg->message == markMessage)
        markLog->Mark(static_cast<unsigned long>(msg->wParam));
    return CallNextHookEx(nullptr, code, removed, lParam);
}

} // namespace

ToneLogOutput::ToneLogOutput(ToneOutput& output, const char* path) : inner(output) {
    if (path != nullptr && path[0] != '\0') file.reset(fopen(path, "a"));
}

ToneLogOutput::~ToneLogOutput() {
    if (hook != nullptr) UnhookWindowsHookEx(static_cast<HHOOK>(hook));
    if (markLog == this) markLog = nullptr;
}

void ToneLogOutput::Log(int note, int lengthMs, uint32_t run, double dueMs) {
    LARGE_INTEGER count{}, frequency{};
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    const double counterMs = frequency.QuadPart > 0 ? 1000.0 * static_cast<double>(count.QuadPart) /
                                                          static_cast<double>(frequency.QuadPart)
                                                    : 0.0;
    WriteLine("%lu %d %d %lu %.3f %.3f\n", static_cast<unsigned long>(timeGetTime()), note, lengthMs,
              static_cast<unsigned long>(run), dueMs, counterMs);
}

void ToneLogOutput::WriteLine(const char* format, ...) {
    if (!file) return;
    va_list args;
    va_start(args, format);
    vfprintf(file.get(), format, args);
    va_end(args);
    // Flushed per line: the reader is another process, looking while this one plays.
    fflush(file.get());
}

void ToneLogOutput::PlayNote(int note, int lengthMs) {
    Log(note, lengthMs, 0, 0.0);
    inner.PlayNote(note, lengthMs);
}

void ToneLogOutput::PlayCue(const ToneCue& cue) {
    // Every tone the engine sounds, whichever output sounds it; rests are not logged.
    if (cue.sound) Log(cue.note, cue.lengthMs, cue.run, cue.lineStartMs + cue.dueAfterMs);
    inner.PlayCue(cue);
}

void ToneLogOutput::AnswerMarks(std::function<bool()> isPlaying, std::function<std::string()> voiceName) {
    if (!file || hook != nullptr) return;
    playing = std::move(isPlaying);
    voice = std::move(voiceName);
    markLog = this;
    markMessage = RegisterWindowMessageA(kProbeMarkMessage);
    hook = SetWindowsHookExA(WH_GETMESSAGE, OnMessageTaken, nullptr, GetCurrentThreadId());
}

void ToneLogOutput::Mark(unsigned long sequence) {
    WriteLine("mark %lu %d %s\n", sequence, playing() ? 1 : 0, voice().c_str());
}
