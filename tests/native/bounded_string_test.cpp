#include "base/bounded_string.h"

#include <gtest/gtest.h>

#include <string>

TEST(CopyBounded, CopiesWholeStringWhenItFits)
{
    wchar_t buffer[8];
    CopyBounded(buffer, L"abc", 8);
    EXPECT_EQ(std::wstring(buffer), L"abc");
}

TEST(CopyBounded, KeepsCapacityMinusOneCharactersAndTerminates)
{
    wchar_t buffer[4] = {L'x', L'x', L'x', L'x'};
    CopyBounded(buffer, L"abcdef", 4);
    EXPECT_EQ(std::wstring(buffer), L"abc");
    CopyBounded(buffer, L"abcdef", 1);
    EXPECT_EQ(std::wstring(buffer), L"");
}

TEST(CopyBounded, NullSourceGivesEmptyStringAndZeroCapacityWritesNothing)
{
    wchar_t buffer[2] = {L'x', L'y'};
    CopyBounded(buffer, L"abc", 0);
    EXPECT_EQ(buffer[0], L'x');
    CopyBounded(buffer, nullptr, 2);
    EXPECT_EQ(buffer[0], L'\0');
}

TEST(AppendBounded, AppendsOnlyWhatLeavesRoomForTheTerminator)
{
    wchar_t buffer[6];
    CopyBounded(buffer, L"ab", 6);
    AppendBounded(buffer, L"cd", 6);
    EXPECT_EQ(std::wstring(buffer), L"abcd");
    AppendBounded(buffer, L"efgh", 6);
    EXPECT_EQ(std::wstring(buffer), L"abcde");
    AppendBounded(buffer, L"z", 6);
    EXPECT_EQ(std::wstring(buffer), L"abcde");
}

TEST(AppendBounded, UnterminatedDestinationIsCutAtCapacity)
{
    wchar_t buffer[4] = {L'a', L'b', L'c', L'd'};
    AppendBounded(buffer, L"e", 4);
    EXPECT_EQ(std::wstring(buffer), L"abc");
}
