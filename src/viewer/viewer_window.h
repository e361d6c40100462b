#pragma once

#include <windows.h>

// Private message that makes a viewer window decide its scroll bars.
inline constexpr UINT UpdateScrollbarsMessage = WM_APP + 0x65;

inline constexpr wchar_t kViewerClassName[] = L"Corvelle";

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Sends UpdateScrollbarsMessage and has the whole client area repainted
// without erasing; true when the invalidation succeeded.
bool RelayoutViewer(HWND window);
