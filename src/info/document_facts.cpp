#include "info/document_facts.h"

#include <cstring>

namespace {

// Release codes before 2013, one each, as the CAD vendor's document
// interface lists them.
struct KnownRelease {
    std::uint32_t code;
    std::uint32_t year;
    bool plus;
};
constexpr KnownRelease kEarlyReleases[] = {
    {1500, 2000, false}, {1750, 2001, false}, {1950, 2001, true},  {2200, 2003, false}, {2500, 2004, false},
    {2800, 2005, false}, {3100, 2006, false}, {3400, 2007, false}, {3800, 2008, false}, {4100, 2009, false},
    {4400, 2010, false}, {4700, 2011, false}, {5000, 2012, false},
};
// From 2013 on, one step a year: 6000 for 2013 up to 18000 for 2025.
constexpr std::uint32_t kYearlyCodeStep = 1000;
constexpr std::uint32_t kFirstYearlyCode = 6000;
constexpr std::uint32_t kFirstYearlyYear = 2013;
constexpr std::uint32_t kLastYearlyCode = 18000;

constexpr char kReleaseNamePrefix[] = "_MO_VERSION_";
constexpr std::size_t kReleaseNamePrefixLength = sizeof kReleaseNamePrefix - 1;

bool IsDigit(char16_t character)
{
    return character >= u'0' && character <= u'9';
}

// Exactly count digits at text[at], as a number.
bool ReadDigits(const char16_t* text, std::size_t length, std::size_t at, std::size_t count, std::int64_t* value)
{
    if (at > length || count > length - at)
        return false;
    std::int64_t number = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (!IsDigit(text[at + i]))
            return false;
        number = number * 10 + (text[at + i] - u'0');
    }
    *value = number;
    return true;
}

bool CharacterAt(const char16_t* text, std::size_t length, std::size_t at, char16_t wanted)
{
    return at < length && text[at] == wanted;
}

// Days from 1601-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysSince1601(std::int64_t year, std::int64_t month, std::int64_t day)
{
    // Counted from March, so that the leap day ends the year.
    const std::int64_t shiftedYear = month <= 2 ? year - 1 : year;
    const std::int64_t era = shiftedYear / 400;
    const std::int64_t yearOfEra = shiftedYear - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    // 1601-01-01 is day 584694 after 0000-03-01.
    return era * 146097 + dayOfEra - 584694;
}

bool IsLeapYear(std::int64_t year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

std::int64_t DaysInMonth(std::int64_t year, std::int64_t month)
{
    constexpr std::int64_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

CadRelease ReleaseOfCode(std::uint32_t code)
{
    for (const KnownRelease& release : kEarlyReleases)
        if (release.code == code)
            return {true, release.year, release.plus};
    if (code >= kFirstYearlyCode && code <= kLastYearlyCode && code % kYearlyCodeStep == 0)
        return {true, kFirstYearlyYear + (code - kFirstYearlyCode) / kYearlyCodeStep, false};
    return {false, 0, false};
}

bool ReleaseCodeOfName(const char* name, std::size_t length, std::uint32_t* code)
{
    if (name == nullptr || length <= kReleaseNamePrefixLength ||
        std::memcmp(name, kReleaseNamePrefix, kReleaseNamePrefixLength) != 0)
        return false;
    std::uint32_t number = 0;
    std::size_t digits = 0;
    std::size_t at = kReleaseNamePrefixLength;
    for (; at < length && name[at] >= '0' && name[at] <= '9'; ++at) {
        if (++digits > kMaxReleaseCodeDigits)
            return false;
        number = number * 10 + static_cast<std::uint32_t>(name[at] - '0');
    }
    if (digits == 0 || (at < length && name[at] != '/'))
        return false;
    *code = number;
    return true;
}

bool ParseStoredDate(const char16_t* text, std::size_t length, std::int64_t* seconds)
{
    if (text == nullptr)
        return false;
    // YYYY-MM-DDThh:mm:ss, the fields at their offsets.
    std::int64_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!ReadDigits(text, length, 0, 4, &year) || !CharacterAt(text, length, 4, u'-') ||
        !ReadDigits(text, length, 5, 2, &month) || !CharacterAt(text, length, 7, u'-') ||
        !ReadDigits(text, length, 8, 2, &day) || !CharacterAt(text, length, 10, u'T') ||
        !ReadDigits(text, length, 11, 2, &hour) || !CharacterAt(text, length, 13, u':') ||
        !ReadDigits(text, length, 14, 2, &minute) || !CharacterAt(text, length, 16, u':') ||
        !ReadDigits(text, length, 17, 2, &second))
        return false;
    if (year < 1601 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59)
        return false;
    std::size_t at = 19;
    // A fraction of a second, which the platform's display has no use for.
    if (CharacterAt(text, length, at, u'.')) {
        const std::size_t first = ++at;
        while (at < length && IsDigit(text[at]))
            ++at;
        if (at == first)
            return false;
    }
    std::int64_t offsetMinutes = 0;
    if (CharacterAt(text, length, at, u'Z')) {
        ++at;
    } else if (CharacterAt(text, length, at, u'+') || CharacterAt(text, length, at, u'-')) {
        const bool ahead = text[at] == u'+';
        std::int64_t offsetHours = 0, offsetMinute = 0;
        if (!ReadDigits(text, length, at + 1, 2, &offsetHours) || !CharacterAt(text, length, at + 3, u':') ||
            !ReadDigits(text, length, at + 4, 2, &offsetMinute) || offsetHours > 14 || offsetMinute > 59)
            return false;
        offsetMinutes = (ahead ? 1 : -1) * (offsetHours * 60 + offsetMinute);
        at += 6;
    } else {
        return false;
    }
    if (at != length)
        return false;
    // Local time at an offset ahead of UTC is that much later than UTC.
    const std::int64_t local = ((DaysSince1601(year, month, day) * 24 + hour) * 60 + minute) * 60 + second;
    const std::int64_t utc = local - offsetMinutes * 60;
    if (utc < 0)
        return false;
    *seconds = utc;
    return true;
}
