#include "render/AudioFiles.h"

#include <algorithm>
#include <cmath>

#include "tone/SquareWave.h"

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void PutBig(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutVarLength(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<uint8_t>(v & 0x7F);
        v >>= 7;
    } while (v != 0);
    while (n > 1)
        out.push_back(static_cast<uint8_t>(groups[--n] | 0x80));
    out.push_back(groups[0]);
}

constexpr int kTicksPerQuarter = 480;

} // namespace

std::vector<uint8_t> WavHeader(int sampleRate, uint32_t samples) {
    std::vector<uint8_t> h;
    const uint32_t dataBytes = samples * 2;
    h.insert(h.end(), {'R', 'I', 'F', 'F'});
    Put32(h, 36 + dataBytes);
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(h, 16);
    Put16(h, 1); // PCM
    Put16(h, 1); // mono
    Put32(h, static_cast<uint32_t>(sampleRate));
    Put32(h, static_cast<uint32_t>(sampleRate) * 2);
    Put16(h, 2);
    Put16(h, 16);
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    Put32(h, dataBytes);
    return h;
}

uint32_t RenderSamples(double endMs, int sampleRate) {
    const double samples = std::round(std::max(endMs, 0.0) * sampleRate / 1000.0);
    return static_cast<uint32_t>(std::min(samples, static_cast<double>(kMaxWavSamples)));
}

bool WriteWav(std::FILE* file, const RenderSchedule& schedule, int sampleRate,
              const std::function<void(double)>& progress, const std::function<bool()>& keepGoing) {
    const ByteSink write = [file](const uint8_t* bytes, size_t size) {
        return std::fwrite(bytes, 1, size, file) == size;
    };
    return WriteWav(write, schedule, sampleRate, progress, keepGoing);
}

bool WriteWav(const ByteSink& write, const RenderSchedule& schedule, int sampleRate,
              const std::function<void(double)>& progress, const std::function<bool()>& keepGoing) {
    const uint32_t total = RenderSamples(schedule.endMs, sampleRate);
    const std::vector<uint8_t> header = WavHeader(sampleRate, total);
    if (!write(header.data(), header.size())) return false;
    SquareSynth synth({sampleRate, 8000});
    auto at = [&](double ms) { return std::llround(ms * sampleRate / 1000.0); };
    for (const RenderedNote& note : schedule.notes)
        synth.Add({at(note.startMs), at(note.lengthMs), SpeakerFrequencyHz(note.note)});
    std::vector<int16_t> block(1 << 16);
    std::vector<uint8_t> bytes(block.size() * 2);
    uint32_t done = 0;
    while (done < total) {
        if (!keepGoing()) return false;
        const size_t count = std::min<size_t>(block.size(), total - done);
        synth.Render(block.data(), count);
        for (size_t i = 0; i < count; ++i) { // little-endian on every machine
            bytes[2 * i] = static_cast<uint8_t>(block[i]);
            bytes[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(block[i]) >> 8);
        }
        if (!write(bytes.data(), 2 * count)) return false;
        done += static_cast<uint32_t>(count);
        progress(static_cast<double>(done) / total);
    }
    return true;
}

int MidiVelocity(int16_t stepLength) { return 64 + std::clamp<int>(stepLength, 0, 127) / 2; }

int MidiKey(int note) {
    int key = std::clamp(note, 1, 127) + 26;
    while (key > 127)
        key -= 12;
    return key;
}

std::vector<uint8_t> MidiFileBytes(const RenderSchedule& schedule) {
    // The tempo meta event holds 24 bits of microseconds per quarter (tempos from 3.6 BPM); ticks
    // are counted from the value written, so every tempo keeps its times.
    const double usPerQuarter = std::clamp(std::round(60e6 / schedule.tempo), 1.0, 16777215.0);
    auto ticks = [&](double ms) {
        return static_cast<uint32_t>(std::llround(ms * 1000.0 * kTicksPerQuarter / usPerQuarter));
    };
    struct Event {
        uint32_t tick;
        int order; // note-offs before note-ons at the same tick
        uint8_t status, key, velocity;
    };
    std::vector<Event> events;
    for (const RenderedNote& note : schedule.notes) {
        const uint32_t on = ticks(note.startMs);
        const uint32_t off = std::max(on + 1, ticks(std::min(note.startMs + note.lengthMs, schedule.endMs)));
        const auto key = static_cast<uint8_t>(MidiKey(note.note));
        events.push_back({on, 1, 0x90, key, static_cast<uint8_t>(MidiVelocity(note.stepLength))});
        events.push_back({off, 0, 0x80, key, 0});
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });

    std::vector<uint8_t> track;
    PutVarLength(track, 0);
    track.insert(track.end(), {0xFF, 0x51, 0x03});
    PutBig(track, static_cast<uint32_t>(usPerQuarter), 3);
    uint32_t last = 0;
    for (const Event& e : events) {
        PutVarLength(track, e.tick - last);
        track.insert(track.end(), {e.status, e.key, e.velocity});
        last = e.tick;
    }
    PutVarLength(track, std::max(last, ticks(schedule.endMs)) - last);
    track.insert(track.end(), {0xFF, 0x2F, 0x00});

    std::vector<uint8_t> file = {'M', 'T', 'h', 'd'};
    PutBig(file, 6, 4);
    PutBig(file, 0, 2); // format 0
    PutBig(file, 1, 2); // one track
    PutBig(file, kTicksPerQuarter, 2);
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    PutBig(file, static_cast<uint32_t>(track.size()), 4);
    file.insert(file.end(), track.begin(), track.end());
    return file;
}
