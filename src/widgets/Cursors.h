#pragma once
// Cursors: the program's own from its resources, by name, and the system's by IDC_* name. Both
// are shared, never destroyed.
#include <windows.h>

// The program's cursor of that resource name; null when the resources lack it.
HCURSOR LoadProgramCursor(const char* name);
// As above, with the system's cursor systemFallback (an IDC_* name) when the resources lack it.
HCURSOR LoadProgramCursor(const char* name, LPCSTR systemFallback);
HCURSOR LoadSystemCursor(LPCSTR id);
