#include "base/wide_path.h"

#include "base/module_state.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <new>

wchar_t* ToWidePath(wchar_t* destination, const char* text)
{
    if (text == nullptr)
        return nullptr;
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, destination, kWidePathCapacity) == 0) {
        // What a failed conversion leaves in the buffer differs between
        // systems: convert the whole string elsewhere and keep its beginning.
        destination[0] = L'\0';
        const int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
        std::unique_ptr<wchar_t[]> whole(needed > 0 ? new (std::nothrow) wchar_t[needed] : nullptr);
        if (whole != nullptr && MultiByteToWideChar(CP_ACP, 0, text, -1, whole.get(), needed) > 0) {
            const int kept = needed < kWidePathCapacity ? needed : kWidePathCapacity - 1;
            std::memcpy(destination, whole.get(), kept * sizeof(wchar_t));
        }
    }
    destination[kWidePathCapacity - 1] = L'\0';
    return destination;
}
