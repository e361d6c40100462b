#include "box_relay.h"

#include <cstdio>

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;  // the static text of a message box

BOOL CALLBACK RelayIfMessageBox(HWND window, LPARAM)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = {};
    if (process != GetCurrentProcessId() || !IsWindowVisible(window) || GetClassNameW(window, className, 16) == 0 ||
        lstrcmpW(className, L"#32770") != 0)
        return TRUE;
    wchar_t title[256] = {};
    wchar_t text[2048] = {};
    GetWindowTextW(window, title, 256);
    GetDlgItemTextW(window, kMessageBoxTextId, text, 2048);
    std::fprintf(stderr, "[%ls] %ls\n", title, text);
    std::fflush(stderr);
    // Closing it as OK would: the box returns and the plugin goes on.
    PostMessageW(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

DWORD WINAPI WatchForBoxes(void* stopEvent)
{
    while (WaitForSingleObject(static_cast<HANDLE>(stopEvent), 50) == WAIT_TIMEOUT)
        EnumWindows(RelayIfMessageBox, 0);
    return 0;
}

}  // namespace

MessageBoxRelay::MessageBoxRelay()
{
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stop_ != nullptr)
        thread_ = CreateThread(nullptr, 0, WatchForBoxes, stop_, 0, nullptr);
}

MessageBoxRelay::~MessageBoxRelay()
{
    if (thread_ != nullptr) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    if (stop_ != nullptr)
        CloseHandle(stop_);
}
