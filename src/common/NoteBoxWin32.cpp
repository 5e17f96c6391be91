#include "common/NoteBoxWin32.h"

#include <windows.h>

#include "common/WideTextWin32.h"

namespace {

void ShowWide(const std::wstring& text) { MessageBoxW(nullptr, text.c_str(), L"NOTE!", MB_OK); }

} // namespace

void ShowNote(std::string_view text) { ShowWide(Wide(text)); }

void ShowNote1252(std::string_view text) { ShowWide(WideFrom1252(text)); }
