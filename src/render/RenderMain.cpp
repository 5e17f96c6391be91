// kestrelbox-render: plays a setup through the real step engine on a virtual clock and writes
// what the speaker would have sounded as a WAV file, its notes as a MIDI file, or both.
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/TextEncoding.h"
#include "files/FileSystem.h"
#include "files/SettingsFile.h"
#include "render/AudioFiles.h"
#include "render/RenderCommandLine.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

// An output written beside its final name and put in place only when whole, so an error or an
// interruption never leaves a partly written file under that name.
class OutputFile {
public:
    explicit OutputFile(std::string finalPath) : path(std::move(finalPath)), partial(path + ".partial") {
        file = OpenFileUtf8(partial, "wb");
    }
    ~OutputFile() {
        if (file != nullptr) std::fclose(file);
        std::error_code ignored;
        if (!committed) std::filesystem::remove(PathFromUtf8(partial), ignored);
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::FILE* File() const { return file; }
    bool Commit() {
        if (file == nullptr) return false;
        const bool flushed = std::fclose(file) == 0;
        file = nullptr;
        if (!flushed) return false;
        std::error_code error;
        std::filesystem::rename(PathFromUtf8(partial), PathFromUtf8(path), error);
        committed = !error;
        return committed;
    }

private:
    std::string path;
    std::string partial;
    std::FILE* file = nullptr;
    bool committed = false;
};

int Fail(const std::string& message) {
    std::fprintf(stderr, "kestrelbox-render: %s\n", message.c_str());
    return 1;
}

bool LoadSetup(const std::string& path, SongDocument& doc, std::string& error) {
    StdFileSystem files;
    std::vector<uint8_t> bytes;
    const FileError read = files.ReadAll(path, bytes);
    if (read != FileError::None) {
        error = FileErrorText(read, path);
        return false;
    }
    if (const std::string foreign = ForeignSettingsReason(bytes); !foreign.empty()) {
        error = path + " is not a settings file: " + foreign;
        return false;
    }
    SettingsData data;
    if (!DecodeSettings(bytes.data(), bytes.size(), data)) {
        error = path + " is cut short: it ends after " + std::to_string(bytes.size()) + " bytes";
        return false;
    }
    ApplySettings(data, doc);
    return true;
}

int Run(const std::vector<std::string>& args) {
    RenderOptions options;
    std::string error;
    if (!ParseRenderArguments(args, options, error)) {
        std::fprintf(stderr, "kestrelbox-render: %s\n%s", error.c_str(), kRenderUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kRenderUsage, stdout);
        return 0;
    }
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);

    SongDocument doc;
    if (!LoadSetup(options.setup, doc, error)) return Fail(error);
    // A WAV file holds at most 2^32 bytes; longer renders are cut there.
    const double wavCapSeconds = static_cast<double>(kMaxWavSamples) / options.sampleRate;
    if (!options.wavPath.empty() && options.limits.capSeconds > wavCapSeconds) {
        options.limits.capSeconds = wavCapSeconds;
        if (options.limits.seconds > wavCapSeconds) options.limits.seconds = wavCapSeconds;
    }
    const RenderSchedule schedule = ScheduleRender(doc, options.limits);
    if (schedule.capped)
        std::fprintf(stderr, "kestrelbox-render: stopped at %.0f seconds, the longest render\n",
                     schedule.endMs / 1000.0);

    if (!options.midiPath.empty()) {
        OutputFile midi(options.midiPath);
        const std::vector<uint8_t> bytes = MidiFileBytes(schedule);
        if (midi.File() == nullptr ||
            std::fwrite(bytes.data(), 1, bytes.size(), midi.File()) != bytes.size() || !midi.Commit())
            return Fail("cannot write " + options.midiPath);
    }
    if (!options.wavPath.empty()) {
        OutputFile wav(options.wavPath);
        if (wav.File() == nullptr) return Fail("cannot write " + options.wavPath);
        // Progress for renders longer than a minute, at every tenth.
        const bool tell = schedule.endMs > 60000.0;
        int told = 0;
        auto progress = [&](double fraction) {
            const int tenth = static_cast<int>(fraction * 10.0);
            if (!tell || tenth <= told) return;
            told = tenth;
            std::fprintf(stderr, "kestrelbox-render: %d %%\n", tenth * 10);
        };
        if (!WriteWav(wav.File(), schedule, options.sampleRate, progress, [] { return interrupted == 0; }))
            return Fail(interrupted != 0 ? "interrupted; nothing written"
                                         : "cannot write " + options.wavPath);
        if (!wav.Commit()) return Fail("cannot write " + options.wavPath);
    }
    std::fprintf(stderr, "kestrelbox-render: %.3f seconds, %zu notes, %d %s\n", schedule.endMs / 1000.0,
                 schedule.notes.size(), schedule.passes, schedule.passes == 1 ? "pass" : "passes");
    return 0;
}

} // namespace

#ifdef _WIN32
// Windows hands the arguments over in UTF-16; its narrow ones would have gone through the ANSI
// code page, and a name in another script would arrive as question marks.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(Utf8FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(argv[i]))));
    return Run(args);
}
#else
int main(int argc, char** argv) { return Run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
