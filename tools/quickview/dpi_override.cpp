#include "dpi_override.h"

#include <cstdio>
#include <string>

namespace {

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kLogPixels[] = L"LogPixels";
// Set in the child's environment: a child never runs another one.
constexpr wchar_t kChildVariable[] = L"QUICKVIEW_DPI_CHILD";

using SetProcessDpiAwarenessContextFunction = BOOL(WINAPI*)(HANDLE);
using GetDpiForSystemFunction = UINT(WINAPI*)();
// The platform's values of DPI_AWARENESS_CONTEXT.
const HANDLE kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
const HANDLE kPerMonitorAware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));

template <typename Function>
Function User32Function(const char* name)
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

// LogPixels as it was before the run.
struct SavedLogPixels {
    bool changed = false;
    bool hadValue = false;
    DWORD value = 0;
};

SavedLogPixels SetLogPixels(UINT dpi)
{
    SavedLogPixels saved;
    HKEY desktop = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        &desktop, nullptr) != ERROR_SUCCESS)
        return saved;
    DWORD type = 0;
    DWORD size = sizeof saved.value;
    saved.hadValue = RegQueryValueExW(desktop, kLogPixels, nullptr, &type, reinterpret_cast<BYTE*>(&saved.value),
                                      &size) == ERROR_SUCCESS &&
                     type == REG_DWORD && size == sizeof saved.value;
    const DWORD wanted = dpi;
    saved.changed = RegSetValueExW(desktop, kLogPixels, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&wanted),
                                   sizeof wanted) == ERROR_SUCCESS;
    RegCloseKey(desktop);
    return saved;
}

void RestoreLogPixels(const SavedLogPixels& saved)
{
    HKEY desktop = nullptr;
    if (!saved.changed || RegOpenKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_SET_VALUE, &desktop) != ERROR_SUCCESS)
        return;
    if (saved.hadValue)
        RegSetValueExW(desktop, kLogPixels, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&saved.value),
                       sizeof saved.value);
    else
        RegDeleteValueW(desktop, kLogPixels);
    RegCloseKey(desktop);
}

// This program again, with the same command line and standard handles; its
// exit status, or -1 when it could not be started.
int RunChildCopy()
{
    wchar_t program[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return -1;
    std::wstring commandLine = GetCommandLineW();
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child = {};
    if (!CreateProcessW(program, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child)) {
        std::fprintf(stderr, "quickview: cannot start itself again (error %lu)\n", GetLastError());
        return -1;
    }
    CloseHandle(child.hThread);
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(child.hProcess, &status);
    CloseHandle(child.hProcess);
    return static_cast<int>(status);
}

}  // namespace

void DeclareDpiAware()
{
    const auto setContext = User32Function<SetProcessDpiAwarenessContextFunction>("SetProcessDpiAwarenessContext");
    if (setContext != nullptr && (setContext(kPerMonitorAwareV2) || setContext(kPerMonitorAware)))
        return;
    // Fails too when the awareness is set already, by the platform or a
    // manifest: then it is what it is.
    SetProcessDPIAware();
}

UINT ProcessDpi()
{
    const auto getDpiForSystem = User32Function<GetDpiForSystemFunction>("GetDpiForSystem");
    if (getDpiForSystem != nullptr)
        return getDpiForSystem();
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

bool RunAgainAtDpi(UINT dpi, int* exitCode)
{
    const UINT current = ProcessDpi();
    if (current == dpi)
        return false;
    if (GetEnvironmentVariableW(kChildVariable, nullptr, 0) != 0) {
        std::fprintf(stderr, "quickview: running at %u DPI, not %u: the platform takes LogPixels at sign-in only\n",
                     current, dpi);
        return false;
    }
    // Windows takes LogPixels at sign-in: setting it would only leave the
    // user's own scaling changed for the next one.
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr) {
        std::fprintf(stderr, "quickview: running at %u DPI, not %u: the platform takes the DPI at sign-in only\n",
                     current, dpi);
        return false;
    }
    const SavedLogPixels saved = SetLogPixels(dpi);
    if (!saved.changed) {
        std::fprintf(stderr, "quickview: cannot set LogPixels; running at %u DPI\n", current);
        return false;
    }
    SetEnvironmentVariableW(kChildVariable, L"1");
    const int status = RunChildCopy();
    RestoreLogPixels(saved);
    *exitCode = status < 0 ? 1 : status;
    return true;
}
