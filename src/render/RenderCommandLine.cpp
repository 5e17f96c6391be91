#include "render/RenderCommandLine.h"

#include <cmath>
#include <cstdlib>

namespace {

bool ParseNumber(const std::string& text, double low, double high, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end != nullptr && *end == '\0' && std::isfinite(value) && value >= low && value <= high;
}

bool ParseWhole(const std::string& text, int low, int high, int& value) {
    double number = 0.0;
    if (!ParseNumber(text, low, high, number) || number != std::floor(number)) return false;
    value = static_cast<int>(number);
    return true;
}

} // namespace

bool ParseRenderArguments(const std::vector<std::string>& args, RenderOptions& options, std::string& error) {
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return true;
        }
    }
    std::vector<std::string> positional;
    bool passesGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            positional.push_back(arg);
            continue;
        }
        if (i + 1 >= args.size()) {
            error = arg + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        bool ok = true;
        if (arg == "--midi") {
            options.midiPath = value;
        } else if (arg == "--passes") {
            ok = ParseWhole(value, 1, 1000, options.limits.passes);
            passesGiven = true;
        } else if (arg == "--seconds") {
            ok = ParseNumber(value, 0.001, 10800.0, options.limits.seconds);
        } else if (arg == "--rate") {
            ok = ParseWhole(value, 8000, 192000, options.sampleRate);
        } else if (arg == "--start-measure") {
            ok = ParseWhole(value, 1, 8, options.limits.startMeasure);
            options.limits.startMeasure -= 1;
        } else {
            error = "unknown option " + arg;
            return false;
        }
        if (!ok) {
            error = "bad value for " + arg + ": " + value;
            return false;
        }
    }
    if (passesGiven && options.limits.seconds > 0.0) {
        error = "give --passes or --seconds, not both";
        return false;
    }
    if (positional.empty() || positional.size() > 2) {
        error = positional.empty() ? "no settings file given" : "too many file names";
        return false;
    }
    options.setup = positional[0];
    if (positional.size() == 2) options.wavPath = positional[1];
    if (options.wavPath.empty() && options.midiPath.empty()) {
        error = "nothing to write: name an OUT.wav or give --midi OUT.mid";
        return false;
    }
    // Asked-for seconds may run past the default cap; the WAV format's own limit still holds.
    options.limits.capSeconds =
        options.limits.seconds > 0.0 ? options.limits.seconds : (passesGiven ? 10800.0 : 600.0);
    return true;
}
