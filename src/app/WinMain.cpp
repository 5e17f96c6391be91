#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "app/MainWindow.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // The window owns a whole setup; keep it off the stack.
    auto window = std::make_unique<MainWindow>();
    return window->RunModal(instance);
}
