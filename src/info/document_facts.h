#pragma once

// What a document's own information records say, without the platform: the
// CAD release that a release code names, the code in a record's name, and
// the dates as the records store them.

#include <cstddef>
#include <cstdint>

// The release whose code a document's "_MO_VERSION_<n>" records carry: a
// year, "2001 Plus", or none known for the code.
struct CadRelease {
    bool known;
    std::uint32_t year;
    bool plus;
};
CadRelease ReleaseOfCode(std::uint32_t code);

// Real codes have four or five digits; a name with more is forged.
inline constexpr std::uint32_t kMaxReleaseCodeDigits = 6;

// The release code of a record or storage name, "_MO_VERSION_<n>" alone or
// followed by '/' and more: n in decimal digits, 1 to kMaxReleaseCodeDigits
// of them. False for any other name.
bool ReleaseCodeOfName(const char* name, std::size_t length, std::uint32_t* code);

// A date and time as "docProps/core.xml" stores it: "YYYY-MM-DDThh:mm:ss",
// optionally with a fraction of a second, then "Z" or an offset "+hh:mm" or
// "-hh:mm". In *seconds, the instant in seconds since 1601-01-01 00:00 UTC
// (the platform's epoch). False for anything else.
bool ParseStoredDate(const char16_t* text, std::size_t length, std::int64_t* seconds);
