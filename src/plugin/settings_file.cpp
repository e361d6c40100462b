#include "base/floating_point_guard.h"
#include "base/host_contract.h"
#include "base/host_exports.h"
#include "base/module_state.h"
#include "base/settings.h"
#include "base/win32_holders.h"
#include "diagnostics/error_report.h"
#include "diagnostics/message_text.h"
#include "plugin/settings_path.h"

#include <windows.h>

#include <cstddef>
#include <type_traits>

namespace {

constexpr int kSettingsTemplateResource = 202;
constexpr wchar_t kSettingsTemplateType[] = L"FILE";

struct SettingsTemplate {
    const char* bytes;
    DWORD size;
};

SettingsTemplate FindSettingsTemplate()
{
    HMODULE module = g_moduleState.moduleHandle;
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(kSettingsTemplateResource), kSettingsTemplateType);
    if (resource == nullptr)
        return {nullptr, 0};
    HGLOBAL loaded = LoadResource(module, resource);
    if (loaded == nullptr)
        return {nullptr, 0};
    return {static_cast<const char*>(LockResource(loaded)), SizeofResource(module, resource)};
}

void ShowNewSettingsNotice(const wchar_t* settingsPath)
{
    wchar_t notice[kWidePathCapacity + 64];
    FormatNewSettingsNotice(settingsPath, notice, sizeof notice / sizeof notice[0]);
    MessageBoxW(nullptr, notice, kReportTitle, MB_OK | MB_ICONINFORMATION);
}

void CreateSettingsFile(const wchar_t* settingsPath)
{
    const SettingsTemplate settingsTemplate = FindSettingsTemplate();
    if (settingsTemplate.bytes == nullptr)
        return;
    ScopedFile file(
        CreateFileW(settingsPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) {
        ReportLastError(L"CreateFileW", MB_OK | MB_ICONWARNING);
        return;
    }
    DWORD total = 0;
    while (total < settingsTemplate.size) {
        DWORD written = 0;
        const DWORD remaining = settingsTemplate.size - total;
        // A write that claims success but makes no progress would loop forever
        // inside the host: it counts as a failed write.
        if (!WriteFile(file.Get(), settingsTemplate.bytes + total, remaining, &written, nullptr) || written == 0 ||
            written > remaining) {
            // Reported while the file is still open; it is closed on leaving.
            ReportLastError(L"WriteFile", MB_OK | MB_ICONWARNING);
            return;
        }
        total += written;
    }
    CloseHandle(file.Detach());
    ShowNewSettingsNotice(settingsPath);
}

}  // namespace

extern "C" void __stdcall ListSetDefaultParams(const HostParameterRecord* parameters)
{
    const FloatingPointGuard floatingPoint;
    // Worked out in locals: readers on other threads see only the path
    // published at the end, never the host's own file.
    wchar_t settingsPath[kWidePathCapacity];
    if (!WorkOutSettingsPath(parameters, settingsPath))
        return;
    PublishSettingsPath(settingsPath);
    if (FileExists(settingsPath))
        return;
    CreateSettingsFile(settingsPath);
}

// The host calls this through the contract's type, with its settings path
// at byte 12 of the record.
static_assert(std::is_same_v<decltype(&ListSetDefaultParams), ListSetDefaultParamsFunction>);
static_assert(offsetof(HostParameterRecord, hostSettingsPath) == 12);
