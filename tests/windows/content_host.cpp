#include "content_host.h"

#include <cstring>

ContentHost::ContentHost(const std::wstring& folder)
    : plugin(folder, L"corvelle.wdx64", L"corvelle.wdx64"),
      getDetectString(plugin.Export<ContentGetDetectStringFunction>("ContentGetDetectString")),
      setDefaultParams(plugin.Export<ContentSetDefaultParamsFunction>("ContentSetDefaultParams")),
      getSupportedField(plugin.Export<ContentGetSupportedFieldFunction>("ContentGetSupportedField")),
      getValueW(plugin.Export<ContentGetValueWFunction>("ContentGetValueW")),
      getValue(plugin.Export<ContentGetValueFunction>("ContentGetValue")),
      getSupportedFieldFlags(plugin.Export<ContentGetSupportedFieldFlagsFunction>("ContentGetSupportedFieldFlags")),
      getDefaultSortOrder(plugin.Export<ContentGetDefaultSortOrderFunction>("ContentGetDefaultSortOrder")),
      stopGetValue(plugin.Export<ContentStopGetValueFunction>("ContentStopGetValue")),
      pluginUnloading(plugin.Export<ContentPluginUnloadingFunction>("ContentPluginUnloading"))
{
}

void ContentHost::SetDefaultParams(const std::string& hostSettingsPath) const
{
    // The host's record: its size, the interface version 1.50, the path.
    HostParameterRecord record = {};
    record.unused[0] = sizeof record;
    record.unused[1] = 50;
    record.unused[2] = 1;
    std::strncpy(record.hostSettingsPath, hostSettingsPath.c_str(), sizeof record.hostSettingsPath - 1);
    setDefaultParams(&record);
}

std::vector<ContentFieldInfo> ContentHost::Fields() const
{
    std::vector<ContentFieldInfo> fields;
    for (int index = 0; index < 1000; ++index) {
        char name[260] = {};
        char units[260] = {};
        const int type = getSupportedField(index, name, units, sizeof name);
        if (type == kFieldNoMoreFields)
            break;
        fields.push_back({name, type});
    }
    return fields;
}

int ContentHost::IndexOf(const std::string& name) const
{
    const std::vector<ContentFieldInfo> fields = Fields();
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == name)
            return static_cast<int>(i);
    return -1;
}

namespace {

void TakeValue(ContentValue& value, const unsigned char* buffer)
{
    switch (value.result) {
    case kFieldNumeric32:
    case kFieldBoolean:
        std::memcpy(&value.number, buffer, sizeof value.number);
        break;
    case kFieldDateTime:
        std::memcpy(&value.time, buffer, sizeof value.time);
        break;
    case kFieldStringW:
    case kFieldFullTextW:
        value.text = reinterpret_cast<const wchar_t*>(buffer);
        break;
    case kFieldString:
    case kFieldFullText: {
        const char* text = reinterpret_cast<const char*>(buffer);
        wchar_t converted[kHostValueBytes] = {};
        MultiByteToWideChar(CP_ACP, 0, text, -1, converted, kHostValueBytes);
        value.text = converted;
        break;
    }
    default:
        break;
    }
}

}  // namespace

ContentValue ContentHost::Value(const std::wstring& path, int field) const
{
    const std::vector<ContentFieldInfo> fields = Fields();
    if (field >= 0 && field < static_cast<int>(fields.size()) && fields[field].type == kFieldFullText)
        return FullText(path, field, kHostValueBytes);
    alignas(8) unsigned char buffer[kHostValueBytes] = {};
    ContentValue value;
    value.result = getValueW(path.c_str(), field, 0, buffer, sizeof buffer, 0);
    TakeValue(value, buffer);
    return value;
}

ContentValue ContentHost::ValueAnsi(const std::string& path, int field, int maxlen) const
{
    alignas(8) unsigned char buffer[kHostValueBytes] = {};
    ContentValue value;
    value.result = getValue(path.c_str(), field, 0, buffer, maxlen, 0);
    TakeValue(value, buffer);
    return value;
}

ContentValue ContentHost::FullText(const std::wstring& path, int field, int maxlen) const
{
    ContentValue whole;
    int unitIndex = 0;
    for (int piece = 0; piece < 100000; ++piece) {
        alignas(8) unsigned char buffer[kHostValueBytes] = {};
        const int result = getValueW(path.c_str(), field, unitIndex, buffer, maxlen, 0);
        if (piece == 0)
            whole.result = result;
        if (result != kFieldFullTextW)
            break;
        const std::wstring text = reinterpret_cast<const wchar_t*>(buffer);
        if (text.empty())
            break;
        whole.text += text;
        unitIndex += static_cast<int>(text.size() * sizeof(wchar_t));
    }
    getValueW(path.c_str(), field, kFullTextDone, nullptr, 0, 0);
    return whole;
}

std::wstring ContentHost::Describe(const std::wstring& path) const
{
    std::wstring described;
    const std::vector<ContentFieldInfo> fields = Fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const ContentValue value = Value(path, static_cast<int>(i));
        described += std::wstring(fields[i].name.begin(), fields[i].name.end()) + L"=" +
                     std::to_wstring(value.result) + L":" + value.text + L"/" + std::to_wstring(value.number) +
                     L"/" + std::to_wstring(value.time.dwHighDateTime) + L"." +
                     std::to_wstring(value.time.dwLowDateTime) + L"\n";
    }
    return described;
}

FILETIME UtcFileTime(int year, int month, int day, int hour, int minute, int second)
{
    SYSTEMTIME system = {};
    system.wYear = static_cast<WORD>(year);
    system.wMonth = static_cast<WORD>(month);
    system.wDay = static_cast<WORD>(day);
    system.wHour = static_cast<WORD>(hour);
    system.wMinute = static_cast<WORD>(minute);
    system.wSecond = static_cast<WORD>(second);
    FILETIME time = {};
    SystemTimeToFileTime(&system, &time);
    return time;
}
