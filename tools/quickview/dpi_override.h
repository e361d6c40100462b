#pragma once

// quickview's windows at a DPI of the user's choosing, for one run.
//
// A process takes its DPI when it starts: Wine from the prefix's LogPixels
// (HKCU\Control Panel\Desktop, REG_DWORD), Windows from the one the user
// signed in with. So --dpi N sets LogPixels to N, runs this program again
// with the same command line, and puts back what was there once that child
// has ended. Only under Wine: Windows reads the value at sign-in only, so
// there quickview says so and runs at the DPI it has, leaving the user's
// setting alone.

#include <windows.h>

// Asks for real pixels, as the file manager's manifest does, so that the
// plugin's window is never scaled by the platform: per-monitor where the
// platform knows it, else system-wide.
void DeclareDpiAware();

// The DPI this process's windows get.
UINT ProcessDpi();

// Runs this program again at dpi when this process is not at it and is not
// such a child itself: true, with the child's exit status; false when this
// process is to do the work.
bool RunAgainAtDpi(UINT dpi, int* exitCode);
