#pragma once
// The renderer's command line, checked and held in range where it enters.
#include <string>
#include <vector>

#include "render/OfflineRender.h"

struct RenderOptions {
    std::string setup;
    std::string wavPath;  // empty: no WAV
    std::string midiPath; // empty: no MIDI
    int sampleRate = 44100;
    RenderLimits limits;
    bool help = false; // --help or -h: the usage, and nothing else
};

inline constexpr char kRenderUsage[] =
    "usage: kestrelbox-render SETUP [OUT.wav] [--midi OUT.mid] [--passes N | --seconds S]\n"
    "                         [--rate HZ] [--start-measure M]\n"
    "  --passes N         passes through the measure chain, 1..1000 (default 1)\n"
    "  --seconds S        length in seconds, up to 10800\n"
    "  --rate HZ          sample rate, 8000..192000 (default 44100)\n"
    "  --start-measure M  measure to start from, 1..8 (default: the setup's edit measure)\n"
    "  --help             this text\n"
    "Without --passes or --seconds a render is one pass and at most 10 minutes long; with --passes\n"
    "it stops after them or at 3 hours, whichever comes first.\n";

// Parses the arguments after the program name; false with `error` set when they are unusable.
bool ParseRenderArguments(const std::vector<std::string>& args, RenderOptions& options, std::string& error);
