#pragma once

#include <windows.h>

// Places a copy of the picture on the clipboard as its one bitmap, with the
// viewer window as the clipboard's owner; the host's status. Failures are
// shown when Debug is on.
int CopyBitmapToClipboard(HWND owner, HBITMAP picture);
