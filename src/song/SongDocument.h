#pragma once
// The one in-memory setup: eight measures of sixteen steps, their links, the tempo, mute, the two
// panel levels, and the bookkeeping that editing, playback, undo and the settings file share.
//
// Thread-safety: the UI thread writes the document. The timer thread reads `tempo`,
// `stepsPerMeasure`, `mute`, `transpose` and the steps, and reads and writes `playingMeasure`,
// `passCounter` and `syncState.stepIndex`; those are Shared values (relaxed atomics). Everything
// else belongs to the UI thread alone.
#include <cstdint>
#include <string>

#include "common/Shared.h"
#include "song/Step.h"
#include "song/SyncState.h"
#include "song/Tempo.h"
#include "song/TempoUnit.h"

class SongDocument {
public:
    // Every measure links to itself with repeat 1; its steps get random note and values drawn in
    // the order note, value30, value40, value50, length (on stays 1).
    SongDocument();
    virtual ~SongDocument() = default;

    SongDocument(const SongDocument&) = default;
    SongDocument& operator=(const SongDocument&) = default;

    // New random note, value30, value40, value50 and length for all sixteen steps of measure m, in
    // the construction order; on flags are left alone.
    void RandomizeSteps(int m);

    Measure& EditMeasure() { return measures[editMeasure]; }

    Shared<int32_t> stepsPerMeasure{16}; // leading steps of each measure that are played and shown
    SyncState syncState;
    std::string title;        // caption built by the last load or save (UTF-8)
    std::string path;         // settings file last opened or saved (UTF-8); empty = untitled
    float fileVersion = 0.0f; // format version of the file last loaded
    TempoUnit tempoDisplay = TempoUnit::BeatsPerMinute;
    // Beats per minute, held to the song's range where it enters (song/Tempo.h).
    Shared<double> tempo{tempo::kDefaultBpm};
    int16_t editMeasure = 0;           // measure shown in the step editor, 0..7
    int16_t undoMeasure = -1;          // measure the undo snapshot holds; -1 = none
    Shared<int16_t> playingMeasure{0}; // measure being played, 0..7
    Shared<int32_t> mute{0};           // 1: steps advance silently
    int32_t optionFlag = 0;            // toggled by Ctrl+P, saved, otherwise unused
    Measure measures[kMeasureCount];
    Measure clipboardBuffer;        // steps last copied to or pasted from the clipboard
    Measure undoBuffer;             // steps of the undo snapshot
    uint8_t dirty = 0;              // unsaved changes exist
    Shared<int16_t> passCounter{0}; // passes of the playing measure begun so far
    int16_t levelB = 80;            // level control 1050, saved, not played
    Shared<int16_t> transpose{0};   // added to every note, -59..67
    int32_t undoLevelB = 0;
    int32_t undoTranspose = 0;
    int32_t undoMute = 0;
    double undoTempo = 0.0;
    uint8_t highResTimer = 1; // clock from the high-resolution source (registry)
};

// The caption that every copy's main window begins with, as the bytes of code page 1252 that
// other copies compare; running copies find each other by it.
inline constexpr char kCaption[] = " -  +  \xF7  x";
inline constexpr int kCaptionMatchLength = 11;
// A load or a save sets the caption to this followed by the file's display name. Like the name,
// the title is UTF-8: its division sign is U+00F7, which code page 1252 reads back as the byte
// 0xF7 that other copies look for.
inline constexpr char kTitlePrefix[] = " -  +  \xC3\xB7  x :   ";
