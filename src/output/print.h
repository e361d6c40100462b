#pragma once

#include "base/host_contract.h"

#include <windows.h>

// The device context of the named printer, or of the default printer when
// the name is null; null when neither can be had. Failures are shown when
// Debug is on. The caller deletes the context.
HDC OpenPrinter(const wchar_t* printerName);

// Prints the picture as one page across the page width between the margins,
// as a job named after the document's file name; the host's status.
int PrintPicture(HDC printer, HBITMAP picture, const wchar_t* documentPath, const PrintMargins* margins);
