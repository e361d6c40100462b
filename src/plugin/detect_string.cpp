#include "plugin/detect_string.h"

void CopyDetectString(char* buffer, std::int32_t maxlen)
{
    if (buffer == nullptr || maxlen < 0)
        return;
    const std::int32_t count = maxlen < kDetectStringLength ? maxlen : kDetectStringLength;
    for (std::int32_t i = 0; i < count; ++i)
        buffer[i] = kDetectString[i];
    buffer[count] = '\0';
}
