#pragma once

#include <cstdint>

// Little-endian integers from bytes that the caller has checked are there.

inline std::uint16_t ReadU16(const unsigned char* at)
{
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

inline std::uint32_t ReadU32(const unsigned char* at)
{
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

// Two's complement without relying on an implementation-defined conversion.
inline std::int32_t ReadI32(const unsigned char* at)
{
    const std::uint32_t value = ReadU32(at);
    return value <= 0x7FFFFFFFu ? static_cast<std::int32_t>(value) : -static_cast<std::int32_t>(~value) - 1;
}
