#pragma once
// Exporting from the program: what the FILE menu's Export WAV... and Export MIDI... write. The
// render is kestrelbox-render's with its defaults (one pass of the chain from the edit measure,
// 44.1 kHz, never more than ten minutes), of the setup exactly as a save would store it, so both
// give the same bytes for the same setup.
#include <cstdint>
#include <vector>

#include "files/FileRules.h"
#include "song/SongDocument.h"

// The file's bytes. The document is not changed.
std::vector<uint8_t> RenderExport(const SongDocument& doc, ExportFormat format);
