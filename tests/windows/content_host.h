#pragma once

// The test program plays a host of the content module: it copies the built
// corvelle.wdx64 into a folder, loads it, hands it the host's settings path
// and asks for fields as the open-source file manager does, with a buffer
// of its size.

#include "base/content_contract.h"
#include "plugin_host.h"

#include <windows.h>

#include <string>
#include <vector>

// The open-source host's value buffer: 2 KiB and one byte.
inline constexpr int kHostValueBytes = 2049;

struct ContentFieldInfo {
    std::string name;
    int type;
};

// One field's answer: the result (a type, or an error code) and the value.
struct ContentValue {
    int result = kFieldNoSuchField;
    std::wstring text;       // strings and the full text, joined
    int number = 0;          // numbers and booleans
    FILETIME time = {};      // dates
};

class ContentHost {
public:
    // Loads the module from folder; SetDefaultParams is the test's to call.
    explicit ContentHost(const std::wstring& folder);

    void SetDefaultParams(const std::string& hostSettingsPath) const;
    std::vector<ContentFieldInfo> Fields() const;
    // The index of the field of that name; -1 when there is none.
    int IndexOf(const std::string& name) const;
    ContentValue Value(const std::wstring& path, int field) const;
    ContentValue Value(const std::wstring& path, const std::string& name) const { return Value(path, IndexOf(name)); }
    // A field's value as the ANSI export gives it.
    ContentValue ValueAnsi(const std::string& path, int field, int maxlen = kHostValueBytes) const;
    // The full text in pieces of at most maxlen bytes, the offset counted as
    // the host counts it (bytes of the wide pieces).
    ContentValue FullText(const std::wstring& path, int field, int maxlen) const;
    // Every field of the document, one line each, for comparisons.
    std::wstring Describe(const std::wstring& path) const;

    LoadedPlugin plugin;
    ContentGetDetectStringFunction getDetectString;
    ContentSetDefaultParamsFunction setDefaultParams;
    ContentGetSupportedFieldFunction getSupportedField;
    ContentGetValueWFunction getValueW;
    ContentGetValueFunction getValue;
    ContentGetSupportedFieldFlagsFunction getSupportedFieldFlags;
    ContentGetDefaultSortOrderFunction getDefaultSortOrder;
    ContentStopGetValueFunction stopGetValue;
    ContentPluginUnloadingFunction pluginUnloading;
};

// The platform's FILETIME of a UTC date and time.
FILETIME UtcFileTime(int year, int month, int day, int hour, int minute, int second);
