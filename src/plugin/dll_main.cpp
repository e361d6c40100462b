#include "base/floating_point_guard.h"
#include "base/module_state.h"
#include "viewer/viewer_lifecycle.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    const FloatingPointGuard floatingPoint;
    if (reason == DLL_PROCESS_ATTACH) {
        g_moduleState.moduleHandle = module;
        DisableThreadLibraryCalls(module);
    } else if (reason == DLL_PROCESS_DETACH) {
        // Only when the host unloads the module: at the process's end the
        // class goes with it, and the window manager may already be gone.
        if (reserved == nullptr)
            UnregisterViewerClass();
        g_moduleState.moduleHandle = nullptr;
    }
    return TRUE;
}
