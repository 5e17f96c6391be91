#pragma once
// The rules of naming and choosing settings files that do not depend on the platform: which
// endings are settings files or shortcuts, the save prompt's text, which file the command line
// names, where a window that would be off every screen goes instead, and the names and file kinds
// Export WAV... and Export MIDI... offer. File names, and the texts that carry them, are UTF-8
// (common/TextEncoding.h).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The default extension, caret pilcrow caret (U+00B6, byte 0xB6 of code page 1252).
inline constexpr char kSettingsExtension[] = "^\xC2\xB6^";
// The name an untitled setup goes by in the prompt and as the first name offered by Save As.
inline constexpr char kUntitledName[] = "Untitled Settings.^\xC2\xB6^";
// The file dialogs' filter; '|' separates the entries. The second kind (caret section sign caret)
// is offered here only: such files are not taken from the command line or a drop.
inline constexpr char kFileDialogFilter[] =
    "^\xC2\xB6^ files (*.^\xC2\xB6^)|*.^\xC2\xB6^|"
    "^\xC2\xA7^ files (*.^\xC2\xA7^)|*.^\xC2\xA7^|All Files (*.*)|*.*||";

// True when the last three characters are exactly "LNK" or "lnk".
bool IsShortcutName(std::string_view path);
// True when the last three characters are exactly ".^^", "^_^" or caret pilcrow caret (case and
// all): the short 8.3 form of a settings file's name ends in one of the first two.
bool IsSettingsName(std::string_view path);

// "Save changes to", a line break, then the name in double quotes and a question mark. The name
// is path, or the untitled name when path is empty; it is never cut.
std::string SavePromptText(const std::string& path);
// The shell could not parse the name: "Path not found." and, on the next line, the name as given.
std::string PathNotFoundText(const std::string& path);

// The text after the program's name in a full command line, without the blanks before it.
std::string_view ProgramArguments(std::string_view commandLine);
// Splits argument text the way the C runtime builds argv: blanks separate, double quotes group,
// backslashes escape a quote only when they come right before it.
std::vector<std::string> SplitArguments(std::string_view arguments);
// True for an argument that looks like a switch: '/' or '-' and then a word without a slash,
// backslash or dot ("/dde", "-x"). A Linux path such as "/home/me/a.^¶^" does not.
bool LooksLikeSwitch(std::string_view argument);

// Whether a name (UTF-8) names an existing file, as the platform sees it.
using NamesFile = std::function<bool(const std::string& name)>;

// The settings file a full command line asks to open, if any. Unquoted argument text that names
// an existing file as a whole is taken whole. Otherwise the first argument that names an existing
// file, or that does not look like a switch, is the one: a name that exists is a file whatever
// it begins with. Such an argument is taken as parsed when it exists or the arguments begin with
// a double quote; otherwise the whole argument text (without surrounding blanks) is, so an
// unquoted path with spaces in it, as an unquoted shell command hands it over, is still named
// whole when it cannot be found.
std::optional<std::string> StartupFile(std::string_view commandLine, const NamesFile& namesFile);

struct ScreenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};
struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
};
// The top-left corner that brings a window of the given size inside the work area: each edge is
// pulled in as little as possible, and a window larger than the work area keeps its top-left
// corner (and so its caption) inside.
ScreenPoint KeepInside(ScreenPoint wanted, int32_t width, int32_t height, const ScreenRect& work);

// Export WAV... and Export MIDI...
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
