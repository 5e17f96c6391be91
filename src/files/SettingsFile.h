#pragma once
// The settings file: a flat little-endian record of the setup, written as format 2.001 (1618
// bytes) and read in every older format as well.
#include <cstdint>
#include <string>
#include <vector>

#include "files/FileSystem.h"
#include "song/SongDocument.h"

// Everything a settings file holds, decoded but not yet applied to a document.
struct SettingsData {
    struct StepValues {
        int16_t note, value30, value40, value50, length, on;
    };
    struct MeasureValues {
        int16_t next, repeat;
        StepValues steps[kStepsPerMeasureMax];
    };

    float version = 0.0f;
    int16_t tempoDisplay = 0;
    double tempo = 0.0;
    int32_t syncGroup = 0;
    int16_t syncSelector = 0;
    int16_t editMeasure = 0;
    int32_t mute = 0;
    uint32_t skinColour = 0;
    MeasureValues measures[kMeasureCount] = {};
    int32_t left = 0, top = 0;
    int32_t stepsPerMeasure = 0;
    int32_t optionFlag = 0;
    bool hasLevels = false; // formats before 2.0 leave level and transpose alone
    int16_t levelB = 0;
    int16_t transpose = 0;
};

constexpr float kSettingsVersion = 2.001f;
constexpr size_t kSettingsFileSize = 1618;

// The bytes of a 2.001 file for the document, with the given window position and skin colour.
std::vector<uint8_t> EncodeSettings(const SongDocument& doc, int32_t left, int32_t top, uint32_t skinColour);

// Decodes a file of any format version; false when the bytes end before the format's fields do.
// Values that index the song, and the tempo, are brought into range (see ApplySettings); all
// others are kept.
bool DecodeSettings(const uint8_t* bytes, size_t size, SettingsData& data);

// Puts a decoded file into the document.
void ApplySettings(const SettingsData& data, SongDocument& doc);

// Values of a load that are not document fields.
struct LoadedPlacement {
    uint32_t skinColour = 0;
    int32_t left = 0;
    int32_t top = 0;
};

class SettingsFile {
public:
    SettingsFile(SongDocument& document, FileSystem& fileSystem) : doc(document), files(fileSystem) {}

    // Stores the document at path. On success path, title and dirty follow the file; on failure
    // the previous file and the document are untouched and error holds the message.
    bool Write(const std::string& path, int32_t left, int32_t top, uint32_t skinColour, std::string& error);

    // Loads path into the document. The document changes only when the whole file was read; on
    // failure it is exactly as before and error holds the message.
    bool Read(const std::string& path, LoadedPlacement& placement, std::string& error);

private:
    SongDocument& doc;
    FileSystem& files;
};
