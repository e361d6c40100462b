// The texts of the reader's error boxes: operation, code, the system's text
// trimmed and with the insert, and when they appear at all.
#include "base/version.h"
#include "dib_blocks.h"
#include "reader_fixture.h"

#include <objbase.h>

#include <cstdio>

namespace {

const wchar_t kTitle[] = L"Corvelle " CORVELLE_VERSION;

std::wstring Hex(DWORD code)
{
    wchar_t text[16];
    swprintf(text, 16, L"%lx", static_cast<unsigned long>(code));
    return text;
}

HRESULT OpenCode(const std::wstring& path)
{
    IStorage* storage = nullptr;
    const HRESULT result =
        StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &storage);
    if (storage != nullptr)
        storage->Release();
    return result;
}

class ErrorReports : public ReaderTest {};

}  // namespace

TEST_F(ErrorReports, MissingDocumentWithDebugOnShowsOneStgOpenStorageBox)
{
    SetDebug(1);
    const std::wstring path = folder.File(L"missing.SLDPRT");
    const HRESULT code = OpenCode(path);
    ASSERT_TRUE(FAILED(code));
    EXPECT_EQ(Read(path), nullptr);
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(plugin.Boxes()[0].text,
              L"StgOpenStorage failed with error " + Hex(code) + L": " + ShownSystemText(code, path));
    EXPECT_EQ(plugin.Boxes()[0].title, kTitle);
    EXPECT_EQ(plugin.Boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(plugin.Boxes()[0].owner, nullptr);
}

TEST_F(ErrorReports, FileThatIsNotACompoundFileShowsOneStgOpenStorageBox)
{
    SetDebug(1);
    const std::wstring path = folder.File(L"plain.SLDPRT");
    WriteFileBytes(path, "this is not a compound file, just text that is long enough to be looked at");
    const HRESULT code = OpenCode(path);
    ASSERT_TRUE(FAILED(code));
    EXPECT_EQ(Read(path), nullptr);
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(plugin.Boxes()[0].text,
              L"StgOpenStorage failed with error " + Hex(code) + L": " + ShownSystemText(code, path));
}

TEST_F(ErrorReports, DocumentWithoutPreviewStreamShowsOneOpenStreamBox)
{
    SetDebug(1);
    const std::wstring path = folder.File(L"nopreview.SLDPRT");
    WriteCompoundFile(path, {{L"Contents", {1, 2, 3}}});
    EXPECT_EQ(Read(path), nullptr);
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    const DWORD code = STG_E_FILENOTFOUND;
    EXPECT_EQ(plugin.Boxes()[0].text,
              L"LPSTORAGE::OpenStream failed with error " + Hex(code) + L": " + ShownSystemText(code, L"Preview"));
    EXPECT_EQ(plugin.Boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
}

TEST_F(ErrorReports, WithDebugOffOrZeroFailuresAreSilent)
{
    WriteCompoundFile(folder.File(L"nopreview.SLDPRT"), {{L"Contents", {1}}});
    for (const char* settings : {"[Corvelle Settings]\r\nDebug=0\r\n", "[Corvelle Settings]\r\n"}) {
        WriteFileBytes(folder.File(L"corvelle.ini"), settings);
        EXPECT_EQ(Read(folder.File(L"missing.SLDPRT")), nullptr);
        EXPECT_EQ(Read(folder.File(L"nopreview.SLDPRT")), nullptr);
        EXPECT_TRUE(plugin.Boxes().empty());
    }
}

namespace {

HRESULT g_openResult = S_OK;
HRESULT WINAPI FailOpen(const wchar_t*, IStorage*, DWORD, SNB, DWORD, IStorage** storage)
{
    *storage = nullptr;
    return g_openResult;
}

const wchar_t* g_systemText = nullptr;
DWORD g_formatCalls = 0;
DWORD WINAPI FakeFormatMessage(DWORD flags, const void*, DWORD, DWORD, wchar_t* buffer, DWORD, va_list*)
{
    ++g_formatCalls;
    if (g_systemText == nullptr || (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) == 0)
        return 0;
    const size_t length = wcslen(g_systemText);
    auto* text = static_cast<wchar_t*>(LocalAlloc(LMEM_FIXED, (length + 1) * sizeof(wchar_t)));
    wcscpy(text, g_systemText);
    *reinterpret_cast<wchar_t**>(buffer) = text;
    return static_cast<DWORD>(length);
}

}  // namespace

class PatchedReports : public ErrorReports {
protected:
    PatchedReports()
    {
        SetDebug(1);
        g_systemText = nullptr;
        g_formatCalls = 0;
    }

    std::wstring ReportFor(HRESULT code)
    {
        g_openResult = code;
        plugin.ClearBoxes();
        EXPECT_EQ(Read(document), nullptr);
        EXPECT_EQ(plugin.Boxes().size(), 1u);
        return plugin.Boxes().empty() ? L"" : plugin.Boxes()[0].text;
    }

    std::wstring document = folder.File(L"C.SLDPRT");
    ImportPatch openPatch{plugin.Module(), "ole32.dll", "StgOpenStorage", reinterpret_cast<const void*>(&FailOpen)};
    ImportPatch formatPatch{plugin.Module(), "kernel32.dll", "FormatMessageW",
                            reinterpret_cast<const void*>(&FakeFormatMessage)};
};

TEST_F(PatchedReports, CodesWithoutSystemTextGetTheFallbackTexts)
{
    ASSERT_TRUE(openPatch.Applied());
    ASSERT_TRUE(formatPatch.Applied());
    EXPECT_EQ(ReportFor(static_cast<HRESULT>(0x80040201)),
              L"StgOpenStorage failed with error 80040201: IDispatch error #1");
    EXPECT_EQ(ReportFor(static_cast<HRESULT>(0x8004FFFF)),
              L"StgOpenStorage failed with error 8004ffff: IDispatch error #65023");
    EXPECT_EQ(ReportFor(static_cast<HRESULT>(0x80040200)),
              L"StgOpenStorage failed with error 80040200: Unknown error 0x80040200");
    EXPECT_EQ(ReportFor(static_cast<HRESULT>(0x80050000)),
              L"StgOpenStorage failed with error 80050000: Unknown error 0x80050000");
}

TEST_F(PatchedReports, SystemTextLosesOneLineEndAndTakesThePathAtItsFirstPlaceholder)
{
    ASSERT_TRUE(openPatch.Applied());
    ASSERT_TRUE(formatPatch.Applied());
    g_systemText = L"%1 could not be found.\r\n";
    EXPECT_EQ(ReportFor(STG_E_FILENOTFOUND),
              L"StgOpenStorage failed with error 80030002: " + document + L" could not be found.");
    g_systemText = L"Twice: %1 and %1.\n";
    EXPECT_EQ(ReportFor(STG_E_FILENOTFOUND),
              L"StgOpenStorage failed with error 80030002: Twice: " + document + L" and %1.");
    g_systemText = L"At 100% of %1.\r";
    EXPECT_EQ(ReportFor(STG_E_FILENOTFOUND), L"StgOpenStorage failed with error 80030002: At 100% of %1.\r");
    EXPECT_EQ(g_formatCalls, 3u);
}
