#pragma once

#include <windows.h>

// Places a copy of the picture on the clipboard as its one bitmap; the
// host's status. Failures are shown when Debug is on.
int CopyBitmapToClipboard(HBITMAP picture);
