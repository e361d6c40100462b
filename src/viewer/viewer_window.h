#pragma once

#include "base/host_contract.h"

#include <windows.h>

inline constexpr wchar_t kViewerClassName[] = L"Corvelle";

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Sends UpdateScrollbarsMessage and has the whole client area repainted
// without erasing; true when the invalidation succeeded.
bool RelayoutViewer(HWND window);
