#pragma once

#include "base/host_contract.h"

#include <windows.h>

// The device context of the named printer, or of the default printer when
// the name is null or empty; null when neither can be had. Failures are shown when
// Debug is on. The caller deletes the context.
HDC OpenPrinter(const wchar_t* printerName);

// The picture to print, and how to tell, once the job has started, whether
// its viewer still shows it: stillShown gives the picture the viewer shows
// now if it is still the same one, or null.
struct PrintedPicture {
    HBITMAP picture;
    HBITMAP (*stillShown)(void* context);
    void* context;
};

// Prints the picture as one page, as large as fits inside the margins
// (tenths of a millimetre from the paper's edges; null: the printable area)
// with its proportions kept, at their top-left corner, as a job named after
// the document's file name; the host's status. Every step after the job
// started is checked; a failure ends the job and gives 1, reported when
// Debug is on (not the user's own cancel).
int PrintPicture(HDC printer, const PrintedPicture& printed, const wchar_t* documentPath, const PrintMargins* margins);
