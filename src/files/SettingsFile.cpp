#include "files/SettingsFile.h"

#include <algorithm>
#include <cstring>

namespace {

class ByteWriter {
public:
    template <typename T> void Put(T value) {
        uint8_t raw[sizeof(T)];
        std::memcpy(raw, &value, sizeof(T)); // both targets are little-endian
        bytes.insert(bytes.end(), raw, raw + sizeof(T));
    }
    std::vector<uint8_t> bytes;
};

// Reads fields in order; once a field would run past the end, every later read fails too.
class ByteReader {
public:
    ByteReader(const uint8_t* bytes, size_t count) : data(bytes), size(count) {}
    template <typename T> T Get() {
        T value{};
        if (!ok || size - at < sizeof(T)) {
            ok = false;
            return value;
        }
        std::memcpy(&value, data + at, sizeof(T));
        at += sizeof(T);
        return value;
    }
    bool Ok() const { return ok; }

private:
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool ok = true;
};

// Every format starts a step with these four, in this order.
void ReadPitchAndValues(ByteReader& in, SettingsData::StepValues& s) {
    s.note = in.Get<int16_t>();
    s.value30 = in.Get<int16_t>();
    s.value40 = in.Get<int16_t>();
    s.value50 = in.Get<int16_t>();
}

void ReadCurrentMeasure(ByteReader& in, SettingsData::MeasureValues& m) {
    m.next = in.Get<int16_t>();
    m.repeat = in.Get<int16_t>();
    for (auto& s : m.steps) {
        ReadPitchAndValues(in, s);
        s.length = in.Get<int16_t>();
        s.on = in.Get<int16_t>();
    }
}

// Formats before 2.0: a spare word per measure, no link before 1.003, and 32-bit on flags and
// lengths where a length word of 1 meant "short".
void ReadOlderMeasure(ByteReader& in, float version, int index, SettingsData::MeasureValues& m) {
    in.Get<uint32_t>();
    if (version < 1.003f) {
        in.Get<int16_t>();
        m.next = static_cast<int16_t>(index);
        m.repeat = 1;
    } else {
        m.next = in.Get<int16_t>();
        m.repeat = in.Get<int16_t>();
    }
    for (auto& s : m.steps) {
        ReadPitchAndValues(in, s);
        s.on = in.Get<uint32_t>() != 0 ? 1 : 0;
        s.length = in.Get<uint32_t>() == 1 ? 0 : 127;
    }
}

// Older files keep the window rectangle; the steps per measure follow from its width.
int32_t StepsFromWidth(float version, int32_t left, int32_t right) {
    const int64_t width = int64_t{right} - left;
    const int64_t steps = version < 1.1f ? (width - 122) / 35 : (width - 110) / 30;
    return static_cast<int32_t>(std::clamp<int64_t>(steps, INT32_MIN, INT32_MAX));
}

// The engine, the editor and the panel index arrays with these, so a damaged or foreign file
// must not carry them out of range: a stray link loops its measure, a stray edit measure becomes
// the first, and the step count is held to what the window can show. The tempo is held to the
// song's range here, where it enters: the engine divides by it.
void BringIntoRange(SettingsData& data) {
    for (int m = 0; m < kMeasureCount; ++m) {
        int16_t& next = data.measures[m].next;
        if (next < 0 || next >= kMeasureCount) next = static_cast<int16_t>(m);
    }
    if (data.editMeasure < 0 || data.editMeasure >= kMeasureCount) data.editMeasure = 0;
    data.stepsPerMeasure = std::clamp<int32_t>(data.stepsPerMeasure, 1, kStepsPerMeasureMax);
    data.tempo = tempo::HoldTempo(data.tempo);
}

} // namespace

std::vector<uint8_t> EncodeSettings(const SongDocument& doc, int32_t left, int32_t top, uint32_t skinColour) {
    ByteWriter out;
    out.bytes.reserve(kSettingsFileSize);
    out.Put<float>(kSettingsVersion);
    out.Put<int16_t>(static_cast<int16_t>(doc.tempoDisplay));
    out.Put<double>(doc.tempo);
    out.Put<int32_t>(doc.syncState.syncGroup);
    out.Put<int16_t>(doc.syncState.syncSelector);
    out.Put<int16_t>(doc.editMeasure);
    out.Put<int32_t>(doc.mute);
    out.Put<uint32_t>(skinColour);
    for (const Measure& m : doc.measures) {
        out.Put<int16_t>(m.next);
        out.Put<int16_t>(m.repeat);
        for (const Step& s : m.steps) {
            out.Put<int16_t>(s.note);
            out.Put<int16_t>(s.value30);
            out.Put<int16_t>(s.value40);
            out.Put<int16_t>(s.value50);
            out.Put<int16_t>(s.length);
            out.Put<int16_t>(s.on);
        }
    }
    out.Put<int32_t>(left);
    out.Put<int32_t>(top);
    out.Put<int32_t>(doc.stepsPerMeasure);
    out.Put<int32_t>(doc.optionFlag);
    out.Put<int16_t>(doc.levelB);
    out.Put<int16_t>(doc.transpose);
    return out.bytes;
}

bool DecodeSettings(const uint8_t* bytes, size_t size, SettingsData& data) {
    ByteReader in(bytes, size);
    const float version = in.Get<float>();
    data.version = version;
    // A version that is not a number compares as neither 2.0 nor above, so it reads as older.
    const bool current = version >= 2.0f;
    data.tempoDisplay = in.Get<int16_t>();
    data.tempo = in.Get<double>();
    data.syncGroup = in.Get<int32_t>();
    data.syncSelector = in.Get<int16_t>();
    data.editMeasure = in.Get<int16_t>();
    data.mute = in.Get<int32_t>();
    data.skinColour = in.Get<uint32_t>();
    if (!current) {
        data.skinColour = in.Get<uint32_t>();
        in.Get<uint32_t>();
    }
    for (int m = 0; m < kMeasureCount; ++m) {
        if (current)
            ReadCurrentMeasure(in, data.measures[m]);
        else
            ReadOlderMeasure(in, version, m, data.measures[m]);
    }
    if (current) {
        data.left = in.Get<int32_t>();
        data.top = in.Get<int32_t>();
        data.stepsPerMeasure = in.Get<int32_t>();
        data.optionFlag = in.Get<int32_t>();
        data.hasLevels = true;
        if (version > 2.0f) {
            data.levelB = in.Get<int16_t>();
            data.transpose = in.Get<int16_t>();
        } else {
            data.levelB = 80;
            data.transpose = 0;
        }
    } else {
        data.left = in.Get<int32_t>();
        data.top = in.Get<int32_t>();
        const int32_t right = in.Get<int32_t>();
        in.Get<int32_t>(); // bottom
        data.optionFlag = version >= 1.5f ? (in.Get<uint32_t>() == 0 ? 1 : 0) : 0;
        data.stepsPerMeasure = StepsFromWidth(version, data.left, right);
        data.hasLevels = false;
    }
    if (!in.Ok()) return false;
    BringIntoRange(data);
    return true;
}

void ApplySettings(const SettingsData& data, SongDocument& doc) {
    doc.fileVersion = data.version;
    doc.tempoDisplay = TempoUnitFromFile(data.tempoDisplay);
    doc.tempo = data.tempo;
    doc.syncState.syncGroup = data.syncGroup;
    doc.syncState.syncSelector = data.syncSelector;
    doc.editMeasure = data.editMeasure;
    doc.mute = data.mute;
    for (int m = 0; m < kMeasureCount; ++m) {
        const auto& from = data.measures[m];
        Measure& to = doc.measures[m];
        to.next = from.next;
        to.repeat = from.repeat;
        for (int k = 0; k < kStepsPerMeasureMax; ++k) {
            Step& step = to.steps[k];
            step.note = from.steps[k].note;
            step.value30 = from.steps[k].value30;
            step.value40 = from.steps[k].value40;
            step.value50 = from.steps[k].value50;
            step.length = from.steps[k].length;
            step.on = from.steps[k].on;
        }
    }
    doc.stepsPerMeasure = data.stepsPerMeasure;
    doc.optionFlag = data.optionFlag;
    if (data.hasLevels) {
        doc.levelB = data.levelB;
        doc.transpose = data.transpose;
    }
}

bool SettingsFile::Write(const std::string& path, int32_t left, int32_t top, uint32_t skinColour,
                         std::string& error) {
    const FileError result = files.WriteReplace(path, EncodeSettings(doc, left, top, skinColour));
    if (result != FileError::None) {
        error = FileErrorText(result, path);
        return false;
    }
    doc.path = path;
    doc.title = kTitlePrefix + files.DisplayName(path);
    doc.dirty = 0;
    return true;
}

bool SettingsFile::Read(const std::string& path, LoadedPlacement& placement, std::string& error) {
    std::vector<uint8_t> bytes;
    FileError result = files.ReadAll(path, bytes);
    SettingsData data;
    if (result == FileError::None && !DecodeSettings(bytes.data(), bytes.size(), data))
        result = FileError::EndOfFile;
    if (result != FileError::None) {
        error = FileErrorText(result, path);
        return false;
    }
    ApplySettings(data, doc);
    doc.path = path;
    doc.title = kTitlePrefix + files.DisplayName(path);
    doc.dirty = 0;
    placement = LoadedPlacement{data.skinColour, data.left, data.top};
    return true;
}
