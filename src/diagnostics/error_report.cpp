#include "diagnostics/error_report.h"

#include "base/bounded_string.h"
#include "base/settings.h"
#include "base/win32_holders.h"
#include "diagnostics/message_text.h"

#include <memory>
#include <new>

namespace {

constexpr DWORD kSystemTextFlags =
    FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
constexpr DWORD kUserDefaultLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);
constexpr UINT kHresultBoxType = MB_OK | MB_ICONERROR;

// The system's text for a code, allocated by the system; null when it has none.
wchar_t* FetchSystemText(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(kSystemTextFlags, nullptr, code, kUserDefaultLanguage,
                                        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0) {
        if (text != nullptr)
            LocalFree(text);
        return nullptr;
    }
    return text;
}

// The text a report shows for an HRESULT: the system's, trimmed of one line
// end, or a fallback naming the code; null when not even that can be had.
ScopedLocalText HresultText(HRESULT code)
{
    ScopedLocalText text(FetchSystemText(static_cast<DWORD>(code)));
    if (text != nullptr) {
        text.get()[TrimmedSystemTextLength(text.get())] = L'\0';
        return text;
    }
    text.reset(static_cast<wchar_t*>(LocalAlloc(LMEM_FIXED, kFallbackTextCapacity * sizeof(wchar_t))));
    if (text != nullptr)
        FormatFallbackCodeText(static_cast<std::uint32_t>(code), text.get(), kFallbackTextCapacity);
    return text;
}

// A zeroed buffer of length + 1 characters, or null.
std::unique_ptr<wchar_t[]> AllocateText(std::size_t length)
{
    return std::unique_ptr<wchar_t[]>(new (std::nothrow) wchar_t[length + 1]());
}

}  // namespace

void ReportLastError(const wchar_t* operationLabel, UINT boxType)
{
    const DWORD value = GetLastError();
    if (value == 0)
        return;
    ScopedLocalText systemText(FetchSystemText(value));
    if (systemText == nullptr)
        return;
    const std::size_t room = WideLength(systemText.get()) + WideLength(operationLabel) + kLastErrorMessageSpare;
    std::unique_ptr<wchar_t[]> message = AllocateText(room);
    if (message == nullptr)
        return;
    FormatLastErrorMessage(operationLabel, static_cast<std::int32_t>(value), systemText.get(), message.get(), room + 1);
    MessageBoxW(nullptr, message.get(), kReportTitle, boxType);
}

void ReportHresult(HRESULT code, const wchar_t* operationLabel, const wchar_t* insertText)
{
    const ScopedLocalText heldText = HresultText(code);
    const wchar_t* text = heldText.get();
    // With no text at all there is nothing worth showing.
    if (text == nullptr)
        return;
    const std::size_t workingRoom = WideLength(text) + WideLength(insertText);
    std::unique_ptr<wchar_t[]> working = AllocateText(workingRoom);
    if (working == nullptr)
        return;
    ExpandFirstInsert(text, insertText, working.get(), workingRoom + 1);
    const std::size_t messageRoom = WideLength(working.get()) + WideLength(operationLabel) + kHresultMessageSpare;
    std::unique_ptr<wchar_t[]> message = AllocateText(messageRoom);
    if (message == nullptr)
        return;
    FormatHresultMessage(operationLabel, static_cast<std::uint32_t>(code), working.get(), message.get(),
                         messageRoom + 1);
    MessageBoxW(nullptr, message.get(), kReportTitle, kHresultBoxType);
}

void ReportLastErrorIfDebug(const wchar_t* operationLabel, UINT boxType)
{
    if (IsDebugEnabled())
        ReportLastError(operationLabel, boxType);
}

void ReportHresultIfDebug(HRESULT code, const wchar_t* operationLabel, const wchar_t* insertText)
{
    if (IsDebugEnabled())
        ReportHresult(code, operationLabel, insertText);
}
