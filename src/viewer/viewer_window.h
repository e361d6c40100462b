#pragma once

// The viewer window's procedure: each message handed to the file of its
// concern.

#include <windows.h>

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
