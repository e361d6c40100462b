#pragma once

// Sizes for the DPI of a window. The viewer's own controls are given in
// 96-DPI units and scaled to the DPI of the window they stand in; metrics and
// the message font are read for that DPI where the platform can, and scaled
// from the system's DPI as the platform would where it cannot. The functions
// that only newer versions of the platform have are looked up at run time.

#include "base/win32_holders.h"

#include <windows.h>

// The DPI that sizes in 96-DPI units are given for (100 %).
inline constexpr UINT kBaseDpi = 96;

// The window's DPI: GetDpiForWindow where the platform has it, else the
// screen's LOGPIXELSY; kBaseDpi when neither answers.
UINT WindowDpi(HWND window);

// The DPI the platform's unscaled metrics and fonts are made for.
UINT SystemDpi();

// A length in 96-DPI units at that DPI, rounded to the nearest pixel (half
// away from zero), as the platform scales its own.
int ScaleToDpi(int length, UINT dpi);

// GetSystemMetrics for that DPI: GetSystemMetricsForDpi where the platform
// has it, else the system's metric scaled from the system's DPI.
int SystemMetricForDpi(int index, UINT dpi);

// A new font of the system's message font (NONCLIENTMETRICS.lfMessageFont)
// for that DPI, or null when there is none: SystemParametersInfoForDpi
// where the platform has it, else the system's font with its height scaled
// from the system's DPI.
ScopedFont MessageFontForDpi(UINT dpi);
