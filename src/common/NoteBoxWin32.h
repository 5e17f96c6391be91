#pragma once
// The program's "NOTE!" box: the text and one OK button, owned by no window, so it shows even
// while the main window is hidden or gone. Windows only.
#include <string_view>

// text in UTF-8 (it may name a file).
void ShowNote(std::string_view text);
// text in the program's own code page 1252.
void ShowNote1252(std::string_view text);
