#pragma once
// Conversions between the encodings the program meets. File names are UTF-8 inside the core (it
// is built for Linux too, where that is what the file system takes) and UTF-16 at every Windows
// call; the program's own texts are bytes of code page 1252.
//
// UTF-16 to UTF-8 and back is lossless for every string Windows can hold: a lone surrogate, which
// NTFS allows in a name, is carried as its own three-byte sequence (the "generalised UTF-8" that
// WTF-8 names) and comes back unchanged.
#include <string>
#include <string_view>

std::string Utf8FromUtf16(std::u16string_view text);
// Bytes that are not UTF-8 become U+FFFD, one for each byte that starts no valid sequence.
std::u16string Utf16FromUtf8(std::string_view text);
// Every byte of code page 1252 as UTF-8; the five bytes the code page leaves unassigned keep
// their C1 control character, as Windows maps them.
std::string Utf8FromWindows1252(std::string_view text);
