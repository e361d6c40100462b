#pragma once

// Sizes for the DPI of a window. The viewer's own controls are given in
// 96-DPI units and scaled to the DPI of the window they stand in; metrics and
// the message font are read for that DPI where the platform can, and scaled
// from the system's DPI as the platform would where it cannot. The functions
// that only newer versions of the platform have are looked up at run time.

#include "base/dpi_units.h"
#include "base/win32_holders.h"

#include <windows.h>

#include <cstdint>

// The window's DPI: GetDpiForWindow where the platform has it, else the
// screen's LOGPIXELSY; kBaseDpi when neither answers.
std::int32_t WindowDpi(HWND window);

// The DPI the platform's unscaled metrics and fonts are made for.
std::int32_t SystemDpi();

// GetSystemMetrics for that DPI: GetSystemMetricsForDpi where the platform
// has it, else the system's metric scaled from the system's DPI.
int SystemMetricForDpi(int index, std::int32_t dpi);

// A new font of the system's message font (NONCLIENTMETRICS.lfMessageFont)
// for that DPI, or null when there is none: SystemParametersInfoForDpi
// where the platform has it, else the system's font with its height scaled
// from the system's DPI.
ScopedFont MessageFontForDpi(std::int32_t dpi);
