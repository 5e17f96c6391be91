#include "render/ExportRender.h"

#include "files/FileRules.h"
#include "files/SettingsFile.h"
#include "render/AudioFiles.h"
#include "render/OfflineRender.h"
#include "render/RenderCommandLine.h"

ExportFileKind ExportFileKindOf(ExportFormat format) {
    switch (format) {
    case ExportFormat::Midi: return {"MIDI files (*.mid)|*.mid|All Files (*.*)|*.*||", "mid"};
    case ExportFormat::Wav: break;
    }
    return {"WAV files (*.wav)|*.wav|All Files (*.*)|*.*||", "wav"};
}

std::string ExportName(const std::string& setupPath, ExportFormat format) {
    const std::string extension = ExportFileKindOf(format).extension;
    if (setupPath.empty()) {
        std::string untitled = kUntitledName;
        return untitled.substr(0, untitled.rfind('.') + 1) + extension;
    }
    const size_t nameStart = setupPath.find_last_of("\\/") + 1; // 0 when there is no folder
    const size_t dot = setupPath.rfind('.');
    const size_t stemEnd = dot != std::string::npos && dot > nameStart ? dot : setupPath.size();
    return setupPath.substr(0, stemEnd) + "." + extension;
}

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
    const ByteSink append = [&bytes](const uint8_t* data, size_t size) {
        bytes.insert(bytes.end(), data, data + size);
        return true;
    };
    WriteWav(
        append, schedule, defaults.sampleRate, [](double) {}, [] { return true; });
    return bytes;
}
