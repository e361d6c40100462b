#include "plugin/settings_path.h"

#include "base/bounded_string.h"
#include "base/split_path.h"
#include "base/wide_path.h"

#include <windows.h>

#include <cstddef>

namespace {

constexpr wchar_t kSettingsExtension[] = L".ini";

constexpr std::size_t kDriveCapacity = 3;
constexpr std::size_t kDirectoryCapacity = 260;
constexpr std::size_t kBaseNameCapacity = 256;

}  // namespace

bool FileExists(const wchar_t* path)
{
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool WorkOutSettingsPath(const HostParameterRecord* parameters, wchar_t* settingsPath)
{
    wchar_t modulePath[kWidePathCapacity];
    if (GetModuleFileNameW(g_moduleState.moduleHandle, modulePath, kWidePathCapacity) == 0)
        return false;

    const char* hostPath = parameters != nullptr ? parameters->hostSettingsPath : "";
    wchar_t hostSettingsPath[kWidePathCapacity];
    ToWidePath(hostSettingsPath, hostPath);

    wchar_t hostDrive[kDriveCapacity];
    wchar_t hostDirectory[kDirectoryCapacity];
    SplitPath(hostSettingsPath, {hostDrive, kDriveCapacity}, {hostDirectory, kDirectoryCapacity},
              kPartNotWanted, kPartNotWanted);

    wchar_t moduleDrive[kDriveCapacity];
    wchar_t moduleDirectory[kDirectoryCapacity];
    wchar_t moduleBaseName[kBaseNameCapacity];
    SplitPath(modulePath, {moduleDrive, kDriveCapacity}, {moduleDirectory, kDirectoryCapacity},
              {moduleBaseName, kBaseNameCapacity}, kPartNotWanted);
    // A folder too long for its part leaves every part empty: no settings
    // file then, rather than one named ".ini" in the host's folder.
    if (moduleBaseName[0] == L'\0')
        return false;

    wchar_t besideModule[kWidePathCapacity];
    CopyBounded(besideModule, moduleDrive, kWidePathCapacity);
    AppendBounded(besideModule, moduleDirectory, kWidePathCapacity);
    AppendBounded(besideModule, moduleBaseName, kWidePathCapacity);
    AppendBounded(besideModule, kSettingsExtension, kWidePathCapacity);

    if (FileExists(besideModule)) {
        CopyBounded(settingsPath, besideModule, kWidePathCapacity);
        return true;
    }
    CopyBounded(settingsPath, hostDrive, kWidePathCapacity);
    AppendBounded(settingsPath, hostDirectory, kWidePathCapacity);
    AppendBounded(settingsPath, moduleBaseName, kWidePathCapacity);
    AppendBounded(settingsPath, kSettingsExtension, kWidePathCapacity);
    return true;
}
