#pragma once
// The toolbar's three menus, in the order of their buttons.
enum class ToolbarMenu { File = 0, Edit = 1, Midi = 2 };
