// How long Export WAV... and Export MIDI... keep the window busy: the render of one pass and the
// file written in one step, for chains whose pass lasts one, five and ten minutes (ten is the
// longest render). Beside each, the same number of bytes written through the same call, so the
// disk's share is seen in the same run.
//
//   export_bench [rounds]     default 5
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchConditions.h"
#include "files/FileSystemWin32.h"
#include "render/ExportRender.h"

namespace {

// A chain through all eight measures whose one pass lasts about `minutes`.
SongDocument ChainOf(int minutes) {
    SongDocument doc;
    doc.tempo = 120.0;
    // A measure of 16 steps lasts 2 s at 120 BPM; eight of them repeated r times last 16 r seconds.
    const int repeat = minutes * 60 / 16;
    for (int m = 0; m < kMeasureCount; ++m) {
        doc.measures[m].next = static_cast<int16_t>((m + 1) % kMeasureCount);
        doc.measures[m].repeat = static_cast<int16_t>(repeat);
    }
    return doc;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    char narrow[MAX_PATH] = {};
    WideCharToMultiByte(CP_UTF8, 0, temp, -1, narrow, MAX_PATH, nullptr, nullptr);
    const std::string path = std::string(narrow) + "kestrel-export-bench.bin";
    FileSystemWin32 files;
    for (const int minutes : {1, 5, 10}) {
        const SongDocument doc = ChainOf(minutes);
        for (const ExportFormat format : {ExportFormat::Wav, ExportFormat::Midi}) {
            std::vector<double> exportMs, writeMs;
            size_t size = 0;
            for (int round = 0; round < rounds; ++round) {
                const double start = bench::NowMs();
                const std::vector<uint8_t> bytes = RenderExport(doc, format);
                files.WriteReplace(path, bytes);
                exportMs.push_back(bench::NowMs() - start);
                size = bytes.size();
                const std::vector<uint8_t> same(size, 0);
                const double before = bench::NowMs();
                files.WriteReplace(path, same);
                writeMs.push_back(bench::NowMs() - before);
            }
            char what[96];
            const char* kind = format == ExportFormat::Wav ? "WAV" : "MIDI";
            std::snprintf(what, sizeof what, "export %s, %d min pass, %zu bytes", kind, minutes, size);
            bench::PrintRow(what, bench::Summarise(exportMs), "a sign");
            std::snprintf(what, sizeof what, "  the same bytes written alone");
            bench::PrintRow(what, bench::Summarise(writeMs), "");
        }
    }
    DeleteFileA(path.c_str());
    return 0;
}
