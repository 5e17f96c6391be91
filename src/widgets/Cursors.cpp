#include "widgets/Cursors.h"

HCURSOR LoadProgramCursor(const char* name) { return LoadCursorA(GetModuleHandleA(nullptr), name); }

HCURSOR LoadProgramCursor(const char* name, LPCSTR systemFallback) {
    HCURSOR cursor = LoadProgramCursor(name);
    return cursor != nullptr ? cursor : LoadSystemCursor(systemFallback);
}

HCURSOR LoadSystemCursor(LPCSTR id) { return LoadCursorA(nullptr, id); }
