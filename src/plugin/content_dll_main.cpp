#include "base/floating_point_guard.h"
#include "base/module_state.h"
#include "content/field_cache.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    const FloatingPointGuard floatingPoint;
    if (reason == DLL_PROCESS_ATTACH) {
        g_moduleState.moduleHandle = module;
        DisableThreadLibraryCalls(module);
    } else if (reason == DLL_PROCESS_DETACH) {
        // Only when the host unloads the module: at the process's end the
        // memory goes with it.
        if (reserved == nullptr)
            ForgetCachedDocuments();
        g_moduleState.moduleHandle = nullptr;
    }
    return TRUE;
}
