#pragma once

#include <unknwn.h>
#include <windows.h>

// Error message boxes. The first two report unconditionally (the settings
// file's own reports need that); the ...IfDebug pair is what every other
// report goes through.

// "LABEL failed with error N: TEXT" for the thread's last-error value, read
// when this starts. Shows nothing for 0 or when the system has no text.
void ReportLastError(const wchar_t* operationLabel, UINT boxType);

// "LABEL failed with error CODE: TEXT" for a structured-storage result, with
// insertText in place of the first "%1" of the system's text.
void ReportHresult(HRESULT code, const wchar_t* operationLabel, const wchar_t* insertText);

// The same, only when the Debug setting is on, as most reports are: Debug
// is read afresh, after the failure, leaving its last-error value intact.
void ReportLastErrorIfDebug(const wchar_t* operationLabel, UINT boxType);
void ReportHresultIfDebug(HRESULT code, const wchar_t* operationLabel, const wchar_t* insertText);
