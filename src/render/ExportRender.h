#pragma once
// Exporting from the program: what the FILE menu's Export WAV... and Export MIDI... write. The
// render is kestrelbox-render's with its defaults (one pass of the chain from the edit measure,
// 44.1 kHz, never more than ten minutes), of the setup exactly as a save would store it, so both
// give the same bytes for the same setup.
#include <cstdint>
#include <string>
#include <vector>

#include "song/SongDocument.h"

enum class ExportFormat { Wav, Midi };

// What the save dialog offers for a format: its filter ('|' separates the entries) and the
// extension a name without one gets.
struct ExportFileKind {
    const char* filter;
    const char* extension;
};
ExportFileKind ExportFileKindOf(ExportFormat format);

// The name first offered: the setup's file with the format's extension instead of its own, in
// the setup's folder; an untitled setup offers "Untitled Settings" with the extension. UTF-8.
std::string ExportName(const std::string& setupPath, ExportFormat format);

// The file's bytes. The document is not changed.
std::vector<uint8_t> RenderExport(const SongDocument& doc, ExportFormat format);
