#pragma once
// The renderer's two file formats: a 16-bit mono PCM WAV of the square wave, and a type-0
// standard MIDI file of the notes.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "render/OfflineRender.h"

// The 44-byte header of a 16-bit mono PCM WAV file holding `samples` samples.
std::vector<uint8_t> WavHeader(int sampleRate, uint32_t samples);
// Samples a render of `endMs` takes, and the most a WAV file can hold.
uint32_t RenderSamples(double endMs, int sampleRate);
constexpr uint32_t kMaxWavSamples = (0xFFFFFFFFu - 36u) / 2u;

// Takes the next bytes of a file being written; false when they could not be written.
using ByteSink = std::function<bool(const uint8_t* bytes, size_t size)>;

// Writes the header and every sample of the schedule to `write`; `progress` is told the fraction
// done now and then. False when a write failed or `keepGoing` said stop.
bool WriteWav(const ByteSink& write, const RenderSchedule& schedule, int sampleRate,
              const std::function<void(double)>& progress, const std::function<bool()>& keepGoing);
bool WriteWav(std::FILE* file, const RenderSchedule& schedule, int sampleRate,
              const std::function<void(double)>& progress, const std::function<bool()>& keepGoing);

// MIDI velocity for a step: the speaker has one loudness, so a step's only sound parameter, its
// length, stands in for it: 64 + length / 2, from 64 for the shortest to 127 for a full step.
int MidiVelocity(int16_t stepLength);
// MIDI key for an engine note: note 43 sounds 440 Hz, MIDI's key 69, so key = note + 26; keys
// past 127 (notes 102 and up) go down whole octaves until they fit, keeping the pitch class.
int MidiKey(int note);
// A type-0 file at 480 ticks per quarter: the tempo as a meta event, then one note-on and
// note-off per sounding step, with an end of track at the render's end.
std::vector<uint8_t> MidiFileBytes(const RenderSchedule& schedule);
