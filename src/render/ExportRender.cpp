#include "render/ExportRender.h"

#include "files/FileRules.h"
#include "files/SettingsFile.h"
#include "render/AudioFiles.h"
#include "render/OfflineRender.h"
#include "render/RenderCommandLine.h"

std::vector<uint8_t> RenderExport(const SongDocument& doc, ExportFormat format) {
    // Through the settings file's own coding, as the renderer reads a saved setup. The copy keeps
    // the live document out of the render, which plays what it is given.
    const std::vector<uint8_t> stored = EncodeSettings(doc, 0, 0, 0);
    SettingsData data;
    DecodeSettings(stored.data(), stored.size(), data);
    SongDocument played(doc);
    ApplySettings(data, played);

    const RenderOptions defaults;
    const RenderSchedule schedule = ScheduleRender(played, defaults.limits);
    if (format == ExportFormat::Midi) return MidiFileBytes(schedule);
    std::vector<uint8_t> bytes;
    bytes.reserve(44 + 2 * static_cast<size_t>(RenderSamples(schedule.endMs, defaults.sampleRate)));
    const ByteSink append = [&bytes](const uint8_t* chunk, size_t size) {
        bytes.insert(bytes.end(), chunk, chunk + size);
        return true;
    };
    WriteWav(
        append, schedule, defaults.sampleRate, [](double) {}, [] { return true; });
    return bytes;
}
