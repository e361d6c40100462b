#pragma once

#include <unknwn.h>
#include <windows.h>

// Error message boxes. Both report unconditionally; callers decide whether to
// call them (most ask IsDebugEnabled first).

// "LABEL failed with error N: TEXT" for the thread's last-error value, read
// when this starts. Shows nothing for 0 or when the system has no text.
void ReportLastError(const wchar_t* operationLabel, UINT boxType);

// "LABEL failed with error CODE: TEXT" for a structured-storage result, with
// insertText in place of the first "%1" of the system's text.
void ReportHresult(HRESULT code, const wchar_t* operationLabel, const wchar_t* insertText);

// Holds the text of one HRESULT: the system's, trimmed of one line end, or a
// fallback; freed with the holder.
class HresultTextHolder {
public:
    explicit HresultTextHolder(HRESULT code) : code_(code) {}
    ~HresultTextHolder();
    HresultTextHolder(const HresultTextHolder&) = delete;
    HresultTextHolder& operator=(const HresultTextHolder&) = delete;

    // The text, fetched on first use; null when not even the fallback could be
    // allocated.
    const wchar_t* HresultText();

private:
    HRESULT code_;
    wchar_t* message_ = nullptr;
    bool fetched_ = false;
};
