#include "files/FileRules.h"

#include <algorithm>

namespace {

bool EndsWith(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() && text.substr(text.size() - ending.size()) == ending;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

bool IsShortcutName(std::string_view path) { return EndsWith(path, "LNK") || EndsWith(path, "lnk"); }

bool IsSettingsName(std::string_view path) {
    return EndsWith(path, ".^^") || EndsWith(path, "^_^") || EndsWith(path, kSettingsExtension);
}

std::string SavePromptText(const std::string& path) {
    const std::string& name = path.empty() ? std::string(kUntitledName) : path;
    return "Save changes to\n\"" + name + "\"?";
}

std::string PathNotFoundText(const std::string& path) { return "Path not found.\n" + path; }

std::string_view ProgramArguments(std::string_view commandLine) {
    size_t at = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        // A quoted program name runs to the next quote; there is no escaping inside it.
        const size_t close = commandLine.find('"', 1);
        at = close == std::string_view::npos ? commandLine.size() : close + 1;
    }
    while (at < commandLine.size() && !IsBlank(commandLine[at]))
        ++at;
    while (at < commandLine.size() && IsBlank(commandLine[at]))
        ++at;
    return commandLine.substr(at);
}

std::vector<std::string> SplitArguments(std::string_view arguments) {
    std::vector<std::string> result;
    size_t i = 0;
    const size_t n = arguments.size();
    for (;;) {
        while (i < n && IsBlank(arguments[i]))
            ++i;
        if (i >= n) break;
        std::string argument;
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(arguments[i]))) {
            size_t slashes = 0;
            while (i < n && arguments[i] == '\\') {
                ++slashes;
                ++i;
            }
            if (i < n && arguments[i] == '"') {
                argument.append(slashes / 2, '\\');
                if (slashes % 2 == 1) {
                    argument += '"';
                } else if (quoted && i + 1 < n && arguments[i + 1] == '"') {
                    argument += '"'; // "" inside quotes is one literal quote
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                argument.append(slashes, '\\');
                if (i < n && (quoted || !IsBlank(arguments[i]))) argument += arguments[i++];
            }
        }
        result.push_back(std::move(argument));
    }
    return result;
}

bool LooksLikeSwitch(std::string_view argument) {
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) return false;
    return argument.find_first_of("/\\.", 1) == std::string_view::npos;
}

std::optional<std::string> StartupFile(std::string_view commandLine, const NamesFile& namesFile) {
    const std::string_view arguments = ProgramArguments(commandLine);
    const bool quoted = !arguments.empty() && arguments.front() == '"';
    const std::string whole(Trim(arguments));
    if (!quoted && !whole.empty() && namesFile(whole)) return whole;
    for (const std::string& argument : SplitArguments(arguments)) {
        if (argument.empty()) continue;
        const bool exists = namesFile(argument);
        if (!exists && LooksLikeSwitch(argument)) continue;
        if (exists || quoted) return argument;
        return whole;
    }
    return std::nullopt;
}

ScreenPoint KeepInside(ScreenPoint wanted, int32_t width, int32_t height, const ScreenRect& work) {
    auto fit = [](int64_t start, int64_t size, int64_t low, int64_t high) {
        if (start + size > high) start = high - size;
        if (start < low) start = low;
        return static_cast<int32_t>(start);
    };
    return ScreenPoint{fit(wanted.x, width, work.left, work.right),
                       fit(wanted.y, height, work.top, work.bottom)};
}

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
