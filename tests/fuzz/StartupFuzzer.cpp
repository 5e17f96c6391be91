// libFuzzer target for the rules that take outside text: the command line a program is started
// with, the names a drop or a shortcut hands over, and the window position a file stores.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/TextEncoding.h"
#include "files/FileRules.h"

namespace {

// Quotes an argument so the runtime's splitting gives it back unchanged.
std::string Quote(const std::string& argument) {
    std::string quoted = "\"";
    size_t slashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        quoted.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
        slashes = 0;
        quoted += c;
    }
    quoted.append(slashes * 2, '\\');
    return quoted + "\"";
}

int32_t Take32(const uint8_t*& data, size_t& size) {
    int32_t value = 0;
    const size_t n = size < 4 ? size : 4;
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first 24 bytes place a window on a work area; the rest is a command line.
    ScreenRect work;
    work.left = Take32(data, size) % 100000;
    work.top = Take32(data, size) % 100000;
    work.right = work.left + 1 + std::abs(Take32(data, size) % 100000);
    work.bottom = work.top + 1 + std::abs(Take32(data, size) % 100000);
    const int32_t width = 1 + std::abs(Take32(data, size) % 4000);
    const int32_t height = 1 + std::abs(Take32(data, size) % 4000);
    const ScreenPoint at =
        KeepInside(ScreenPoint{Take32(data, size), Take32(data, size)}, width, height, work);
    if (at.x < work.left || at.y < work.top) std::abort();
    if (width <= work.right - work.left && at.x + width > work.right) std::abort();
    if (height <= work.bottom - work.top && at.y + height > work.bottom) std::abort();

    const std::string line(reinterpret_cast<const char*>(data), size);
    // Names ending in 'E' exist, so both kinds of argument are met.
    const NamesFile exists = [](const std::string& name) { return !name.empty() && name.back() == 'E'; };
    const std::optional<std::string> file = StartupFile(line, exists);
    if (file && file->empty()) std::abort();
    if (file && (IsSettingsName(*file) || IsShortcutName(*file)) && file->size() < 3) std::abort();

    // Every argument survives quoting and splitting again.
    for (const std::string& argument : SplitArguments(ProgramArguments(line))) {
        if (argument.find('\0') != std::string::npos) continue;
        const auto again = SplitArguments(Quote(argument));
        if (again.size() != 1 || again[0] != argument) std::abort();
    }

    // A name taken from UTF-16 comes back to the same UTF-16 (lone surrogates and all).
    const std::u16string wide = Utf16FromUtf8(line);
    if (Utf16FromUtf8(Utf8FromUtf16(wide)) != wide) std::abort();

    // The question names the file whole.
    const std::string text = SavePromptText(line);
    if (!line.empty() && text.find(line) == std::string::npos) std::abort();
    return 0;
}
