#include "diagnostics/message_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring Trimmed(const wchar_t* text)
{
    return std::wstring(text, TrimmedSystemTextLength(text));
}

std::wstring Fallback(std::uint32_t code)
{
    wchar_t buffer[kFallbackTextCapacity];
    FormatFallbackCodeText(code, buffer, kFallbackTextCapacity);
    return buffer;
}

std::wstring Expanded(const wchar_t* text, const wchar_t* insert)
{
    std::vector<wchar_t> buffer(std::wstring(text).size() + (insert ? std::wstring(insert).size() : 0) + 1, L'#');
    ExpandFirstInsert(text, insert, buffer.data(), buffer.size());
    return buffer.data();
}

}  // namespace

TEST(TrimmedSystemTextLength, CutsOneLineFeedAndTheCarriageReturnBeforeIt)
{
    EXPECT_EQ(Trimmed(L"Access denied.\r\n"), L"Access denied.");
    EXPECT_EQ(Trimmed(L"Access denied.\n"), L"Access denied.");
    EXPECT_EQ(Trimmed(L"Two lines.\r\n\r\n"), L"Two lines.\r\n");
}

TEST(TrimmedSystemTextLength, LeavesALoneCarriageReturnAndOneCharacterTexts)
{
    EXPECT_EQ(Trimmed(L"Text.\r"), L"Text.\r");
    EXPECT_EQ(Trimmed(L"\n"), L"\n");
    EXPECT_EQ(Trimmed(L"\r\n"), L"");
    EXPECT_EQ(Trimmed(L""), L"");
}

TEST(FormatFallbackCodeText, DispatchRangeGivesTheOffsetInDecimal)
{
    EXPECT_EQ(Fallback(0x80040201u), L"IDispatch error #1");
    EXPECT_EQ(Fallback(0x8004FFFFu), L"IDispatch error #65023");
}

TEST(FormatFallbackCodeText, OtherCodesGiveUpperCaseHexadecimal)
{
    EXPECT_EQ(Fallback(0x80040200u), L"Unknown error 0x80040200");
    EXPECT_EQ(Fallback(0x80050000u), L"Unknown error 0x80050000");
    EXPECT_EQ(Fallback(0x8003000Au), L"Unknown error 0x8003000A");
    EXPECT_EQ(Fallback(0x1Fu), L"Unknown error 0x1F");
    EXPECT_EQ(Fallback(0u), L"Unknown error 0x0");
}

TEST(ExpandFirstInsert, ReplacesALeadingPlaceholder)
{
    EXPECT_EQ(Expanded(L"%1 could not be found.", L"C:\\a.SLDPRT"), L"C:\\a.SLDPRT could not be found.");
}

TEST(ExpandFirstInsert, ReplacesOnlyTheFirstPlaceholder)
{
    EXPECT_EQ(Expanded(L"File %1 or %1.", L"x"), L"File x or %1.");
}

TEST(ExpandFirstInsert, OnlyTheFirstPercentSignIsLookedAt)
{
    EXPECT_EQ(Expanded(L"100% sure about %1", L"x"), L"100% sure about %1");
    EXPECT_EQ(Expanded(L"No placeholder here.", L"x"), L"No placeholder here.");
    EXPECT_EQ(Expanded(L"%2 then %1", L"x"), L"%2 then %1");
    EXPECT_EQ(Expanded(L"Trailing %", L"x"), L"Trailing %");
}

TEST(ExpandFirstInsert, NoInsertLeavesTheTextUnchanged)
{
    EXPECT_EQ(Expanded(L"%1 missing", nullptr), L"%1 missing");
    EXPECT_EQ(Expanded(L"%1 empty", L""), L" empty");
}

TEST(FormatLastErrorMessage, ShowsSignedDecimalAndKeepsTheLineEnd)
{
    wchar_t buffer[128];
    FormatLastErrorMessage(L"CreateFileW", 5, L"Access denied.\r\n", buffer, 128);
    EXPECT_EQ(std::wstring(buffer), L"CreateFileW failed with error 5: Access denied.\r\n");
    FormatLastErrorMessage(L"WriteFile", static_cast<std::int32_t>(0x80070005u), L"Denied.", buffer, 128);
    EXPECT_EQ(std::wstring(buffer), L"WriteFile failed with error -2147024891: Denied.");
    FormatLastErrorMessage(L"X", -2147483647 - 1, L"t", buffer, 128);
    EXPECT_EQ(std::wstring(buffer), L"X failed with error -2147483648: t");
}

TEST(FormatHresultMessage, ShowsLowerCaseHexadecimalWithoutLeadingZeros)
{
    wchar_t buffer[128];
    FormatHresultMessage(L"StgOpenStorage", 0x80030002u, L"Not found.", buffer, 128);
    EXPECT_EQ(std::wstring(buffer), L"StgOpenStorage failed with error 80030002: Not found.");
    FormatHresultMessage(L"LPSTORAGE::OpenStream", 0x1Au, L"t", buffer, 128);
    EXPECT_EQ(std::wstring(buffer), L"LPSTORAGE::OpenStream failed with error 1a: t");
}

TEST(FormatMessages, WriteAtMostCapacityMinusOneCharacters)
{
    wchar_t buffer[12];
    FormatLastErrorMessage(L"CreateFileW", 5, L"Denied.", buffer, 12);
    EXPECT_EQ(std::wstring(buffer), L"CreateFileW");
}

TEST(FormatNewSettingsNotice, QuotesThePath)
{
    wchar_t buffer[64];
    FormatNewSettingsNotice(L"C:\\conf\\viewer.ini", buffer, 64);
    EXPECT_EQ(std::wstring(buffer), L"New initialization file is \"C:\\conf\\viewer.ini\"");
}
