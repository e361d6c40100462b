#pragma once

#include <windows.h>

// Writes a bitmap as a 24-bit PNG file through the platform's imaging
// component. COM must be initialised on the calling thread. Returns the
// failing HRESULT, or S_OK.
HRESULT WritePng(HBITMAP bitmap, const wchar_t* path);
