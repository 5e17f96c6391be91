#pragma once
// File names and texts that carry them, between the core's UTF-8 and the UTF-16 of the ...W calls.
// Windows only: there wchar_t is a UTF-16 code unit.
#include <string>
#include <string_view>

#include "common/TextEncoding.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the ...W calls take UTF-16");

inline std::wstring Wide(std::string_view utf8) {
    const std::u16string wide = Utf16FromUtf8(utf8);
    return std::wstring(wide.begin(), wide.end());
}

inline std::string Utf8(std::wstring_view wide) {
    return Utf8FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

// A program text of code page 1252 for a ...W call.
inline std::wstring WideFrom1252(std::string_view text) { return Wide(Utf8FromWindows1252(text)); }
