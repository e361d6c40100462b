// A document's information: its rows through the export in both
// containers, records built to cost or confuse, and the viewer's panel.
#include "archive_builder.h"
#include "drawing_fixture.h"
#include "import_patch.h"
#include "info_records.h"
#include "viewer_host.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

using Rows = std::vector<std::pair<std::wstring, std::wstring>>;

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

// What the samples' makers write, with a value of every type.
InfoContent FullInfo(std::uint32_t releaseCode)
{
    InfoContent info = SavedBy(releaseCode);
    info.custom = {{"Description", "lpwstr", "Pipe flange DN50"},
                   {"Number", "lpwstr", "FL-1420"},
                   {"Material", "lpwstr", "EN-GJS-400-15"},
                   {"Weight", "r8", "2.346"},
                   {"Holes", "i4", "1005"},
                   {"Checked", "bool", "true"},
                   {"Released", "filetime", "2024-06-03T07:00:00Z"}};
    return info;
}

Rows FixedRows(const std::wstring& savedWith)
{
    return {{L"Saved with", savedWith},
            {L"Created", L"2023-11-20T09:12:44Z"},
            {L"Last saved", L"2024-05-17T13:30:02Z"},
            {L"Author", L"M. Lindqvist"},
            {L"Last saved by", L"A. Okafor"}};
}

// The export's rows of the custom properties: each named as one.
Rows CustomRows(const InfoContent& info)
{
    Rows rows;
    for (const CustomValue& property : info.custom)
        rows.push_back({L"Custom:" + Wide(property.name), Wide(property.value)});
    return rows;
}

Rows Joined(Rows first, const Rows& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

std::string Repeated(const std::string& text, int count)
{
    std::string repeated;
    for (int i = 0; i < count; ++i)
        repeated += text;
    return repeated;
}

// A custom record of count properties, name P<i> and value i, each about
// fifty bytes.
std::string ManyProperties(int count)
{
    std::string xml = "<?xml version=\"1.0\"?><Properties "
                      "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\">"
                      "<propertySection name=\"UserDefinedProperties\">";
    for (int i = 0; i < count; ++i)
        xml += "<property pid=\"" + std::to_string(i + 2) + "\" name=\"P" + std::to_string(i) + "\"><vt:i4>" +
               std::to_string(i) + "</vt:i4></property>";
    return xml + "</propertySection></Properties>";
}

class DocumentInfo : public ViewerTest {
protected:
    Rows InfoOf(const std::wstring& path)
    {
        std::vector<wchar_t> text(kDocumentInfoTextCapacity);
        EXPECT_EQ(documentInfo(path.c_str(), text.data(), static_cast<int>(text.size())), kStatusSuccess);
        Rows rows;
        std::wstring all(text.data());
        for (std::size_t start = 0; start < all.size();) {
            const std::size_t end = all.find(L"\r\n", start);
            if (end == std::wstring::npos) {
                ADD_FAILURE() << "a row without its line end";
                break;
            }
            const std::wstring row = all.substr(start, end - start);
            const std::size_t tab = row.find(L'\t');
            EXPECT_NE(tab, std::wstring::npos);
            rows.push_back({row.substr(0, tab), row.substr(tab + 1)});
            start = end + 2;
        }
        return rows;
    }

    std::wstring Archive(const std::vector<NamedRecord>& records, const std::wstring& name = L"info.SLDPRT")
    {
        const std::wstring path = folder.File(name);
        WriteArchiveFile(path, ArchiveDocument(Rle8Block(QuadrantPicture(120, 90)), 0, {}, {}, records));
        return path;
    }

    std::wstring Compound(const InfoContent& info, bool authorAsNumber = false)
    {
        const std::wstring path = Document(Rle8Block(QuadrantPicture(120, 90)), L"info-compound.SLDPRT");
        WriteCompoundInfo(path, info, authorAsNumber);
        return path;
    }

    static Rows PanelRows(HWND panel)
    {
        Rows rows;
        const int count = static_cast<int>(SendMessageW(panel, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            wchar_t cells[2][256] = {};
            for (int column = 0; column < 2; ++column) {
                LVITEMW item = {};
                item.iSubItem = column;
                item.pszText = cells[column];
                item.cchTextMax = 256;
                SendMessageW(panel, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
            }
            rows.push_back({cells[0], cells[1]});
        }
        return rows;
    }

    // The rows selected in the panel, top first.
    static std::vector<int> SelectedRows(HWND panel)
    {
        std::vector<int> rows;
        for (LRESULT row = SendMessageW(panel, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED); row >= 0;
             row = SendMessageW(panel, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))
            rows.push_back(static_cast<int>(row));
        return rows;
    }

    static POINT RowPoint(HWND panel, int row)
    {
        RECT bounds = {};
        bounds.left = LVIR_BOUNDS;
        SendMessageW(panel, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds));
        return {bounds.left + 5, (bounds.top + bounds.bottom) / 2};
    }

    // A click of the left button at a point of a window, posted as the
    // platform posts it, then run by the host's message loop.
    static void Click(HWND viewer, HWND window, POINT at)
    {
        PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        DispatchPosted(viewer);
    }

    CorvelleDocumentInfoWFunction documentInfo = plugin.Export<CorvelleDocumentInfoWFunction>("CorvelleDocumentInfoW");
};

void ExpectRows(const Rows& actual, const Rows& expected, const char* what)
{
    EXPECT_EQ(actual.size(), expected.size()) << what;
    for (std::size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].first, expected[i].first) << what << ": row " << i;
        EXPECT_EQ(actual[i].second, expected[i].second)
            << what << ": row " << i << " (" << ToAnsi(actual[i].first) << ")";
    }
}

}  // namespace

TEST_F(DocumentInfo, RowsOfBothContainersInTheirOrder)
{
    const InfoContent info = FullInfo(17000);
    ExpectRows(InfoOf(Archive(InfoRecords(info))), Joined(FixedRows(L"2024"), CustomRows(info)), "archive");

    // The custom properties of a compound file stand in the second section
    // of its document summary set, in code page 1252 or in UTF-16.
    InfoContent older = FullInfo(1950);
    ExpectRows(InfoOf(Compound(older)), Joined(FixedRows(L"2001 Plus"), CustomRows(older)), "compound file");
    older.unicodeSummary = true;
    older.unicodeCustom = true;
    ExpectRows(InfoOf(Compound(older)), Joined(FixedRows(L"2001 Plus"), CustomRows(older)), "compound file in UTF-16");

    // A code the table does not know is shown as it is.
    InfoContent unknown = FullInfo(19000);
    unknown.custom.clear();
    ExpectRows(InfoOf(Archive(InfoRecords(unknown))), FixedRows(L"release code 19000"), "unknown release");

    // A document without information, and a file that is no document.
    EXPECT_TRUE(InfoOf(Document(Rle8Block(QuadrantPicture(120, 90)))).empty());
    const std::wstring text = folder.File(L"notes.txt");
    WriteFileBytes(text, "no document");
    EXPECT_TRUE(InfoOf(text).empty());
    EXPECT_TRUE(InfoOf(folder.File(L"missing.SLDPRT")).empty());
    EXPECT_TRUE(plugin.Boxes().empty()) << "information never shows a box";
}

// Custom properties named as the fixed rows, with values full of what line
// readers take for breaks: a row stays one line of two columns, and a
// custom row never reads as one of the document's own.
TEST_F(DocumentInfo, CustomRowsCannotPassForFixedOnesNorBreakALine)
{
    InfoContent forged;
    forged.custom = {{"Saved with", "lpwstr", "2025"},
                     {"Author", "lpwstr",
                      "a\xE2\x80\xA8"  // U+2028
                      "b\xE2\x80\xA9"  // U+2029
                      "c\xC2\x85"      // NEL
                      "d\x7F"          // DEL
                      "e\xC2\x9F"      // the last C1 control
                      "f\tg"},
                     {"Created\xE2\x80\xA8Saved with", "lpwstr", "2025"}};
    const Rows expected = {
        {L"Custom:Saved with", L"2025"}, {L"Custom:Author", L"a b c d e f g"}, {L"Custom:Created Saved with", L"2025"}};
    ExpectRows(InfoOf(Archive(InfoRecords(forged))), expected, "forged rows");
}

// Each record that is forged, hostile or too large leaves out its own rows
// and no others.
TEST_F(DocumentInfo, RecordsBuiltToCostOrConfuseLeaveOutOnlyTheirOwnRows)
{
    const InfoContent info = FullInfo(17000);
    const Rows fixed = FixedRows(L"2024");
    const Rows custom = CustomRows(info);
    const auto records = [&](const std::string& core, const std::string& customXml) {
        std::vector<NamedRecord> made = InfoRecords(info);
        made[2].bytes = Bytes(core);
        made[3].bytes = Bytes(customXml);
        return made;
    };

    // Entities nested ten deep, each ten of the one below: a DTD is refused.
    std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol0 \"lol\">";
    for (int level = 1; level < 10; ++level)
        laughs += "<!ENTITY lol" + std::to_string(level) + " \"" +
                  Repeated("&lol" + std::to_string(level - 1) + ";", 10) + "\">";
    laughs += "]><cp:coreProperties xmlns:cp=\"c\" xmlns:dc=\"d\"><dc:creator>&lol9;</dc:creator></cp:coreProperties>";
    ExpectRows(InfoOf(Archive(records(laughs, CustomXml(info)))), Joined({{L"Saved with", L"2024"}}, custom),
               "entities nested in a DTD");

    // 10,000 properties make a record far past 64 KiB, refused whole; 300
    // small ones fit, and the first 256 are shown.
    ExpectRows(InfoOf(Archive(records(CoreXml(info), ManyProperties(10000)))), fixed, "10,000 properties");
    const Rows many = InfoOf(Archive(records(CoreXml(info), ManyProperties(300))));
    ASSERT_EQ(many.size(), fixed.size() + 256);
    EXPECT_EQ(many[fixed.size()].first, L"Custom:P0");
    EXPECT_EQ(many.back().first, L"Custom:P255");
    EXPECT_EQ(many.back().second, L"255");
    // So do a compound file's: 300 in its user-defined set, 256 shown.
    InfoContent manyCompound = info;
    manyCompound.custom.clear();
    for (int i = 0; i < 300; ++i)
        manyCompound.custom.push_back({"P" + std::to_string(i), "i4", std::to_string(i)});
    const Rows manyRows = InfoOf(Compound(manyCompound));
    ASSERT_EQ(manyRows.size(), fixed.size() + 256);
    EXPECT_EQ(manyRows[fixed.size()].first, L"Custom:P0");
    EXPECT_EQ(manyRows.back().first, L"Custom:P255");
    EXPECT_EQ(manyRows.back().second, L"255");

    // A value of elements (a vector) has no text of its own: its row goes,
    // and so does a core row's, the others stay.
    std::string vector = CustomXml(info);
    const std::string weight = "<vt:r8>2.346</vt:r8>";
    vector.replace(vector.find(weight), weight.size(), "<vt:vector><vt:lpwstr>a</vt:lpwstr></vt:vector>");
    std::string nestedCore = CoreXml(info);
    const std::string author = "<dc:creator>M. Lindqvist</dc:creator>";
    nestedCore.replace(nestedCore.find(author), author.size(), "<dc:creator><b>M.</b></dc:creator>");
    Rows withoutWeight = Joined(fixed, custom);
    withoutWeight.erase(withoutWeight.begin() + 3);                 // Author
    withoutWeight.erase(withoutWeight.begin() + fixed.size() + 2);  // Weight, one row up now
    ExpectRows(InfoOf(Archive(records(nestedCore, vector))), withoutWeight, "values of elements");

    // A 60 KB value is cut to 255 characters.
    InfoContent longValue = info;
    longValue.custom = {{"Description", "lpwstr", std::string(60000, 'x')}};
    const Rows cut = InfoOf(Archive(InfoRecords(longValue)));
    ASSERT_EQ(cut.size(), fixed.size() + 1);
    EXPECT_EQ(cut.back().second, std::wstring(255, L'x'));

    // A custom record of 200 MiB of zeros (about 200 KB in the file) is
    // refused by its declared size.
    ArchiveBuilder builder;
    builder.AddRecord("Preview", PreviewContent(Rle8Block(QuadrantPicture(120, 90))));
    for (const NamedRecord& record : InfoRecords(info))
        if (record.name != "docProps/custom.xml")
            builder.AddRecord(record.name, record.bytes);
    builder.AddDeflatedZeroRecord("docProps/custom.xml", 200u << 20);
    const std::wstring huge = folder.File(L"huge.SLDPRT");
    WriteArchiveFile(huge, builder.Finish());
    ExpectRows(InfoOf(huge), fixed, "a custom record of 200 MiB");

    // Release names that are no release: a code of eleven digits, or none.
    std::vector<NamedRecord> forged = InfoRecords(info);
    forged[0].name = "_MO_VERSION_99999999999/History";
    forged[1].name = "_MO_VERSION_/Biography";
    ExpectRows(InfoOf(Archive(forged)), Joined(Rows(fixed.begin() + 1, fixed.end()), custom), "forged release names");

    // An author stored as a number in the compound file's summary set.
    InfoContent numbered = info;
    numbered.custom.clear();
    Rows withoutAuthor = fixed;
    withoutAuthor.erase(withoutAuthor.begin() + 3);
    ExpectRows(InfoOf(Compound(numbered, true)), withoutAuthor, "an author of the wrong type");
    EXPECT_TRUE(plugin.Boxes().empty());
}

// The panel: hidden until I, along the right edge of the picture area above
// a drawing's tabs, the area (and so the bars of a zoom) that much smaller.
TEST_F(DocumentInfo, PanelTakesTheRightOfThePictureAreaAboveTheTabs)
{
    const std::wstring path = folder.File(L"plan.SLDDRW");
    const InfoContent info = FullInfo(17000);
    WriteArchiveFile(path, ArchiveDrawing(ThreeSheetDrawing(QuadrantPicture(180, 140)), InfoRecords(info)));
    HWND viewer = Load(path, 0);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(Panel(viewer), nullptr) << "hidden unless asked for";
    HWND tabs = Tabs(viewer);
    ASSERT_NE(tabs, nullptr);

    FileManagerSubclass subclass(viewer);
    HostMessages(WM_KEYDOWN);
    SendMessageW(viewer, WM_KEYDOWN, 'I', 0);
    EXPECT_TRUE(HostMessages(WM_KEYDOWN).empty()) << "I is the viewer's";
    HWND panel = Panel(viewer);
    ASSERT_NE(panel, nullptr);
    const RECT client = ClientRect(viewer);
    const RECT strip = ChildRect(viewer, tabs);
    const RECT placed = ChildRect(viewer, panel);
    EXPECT_EQ(placed.right, client.right);
    EXPECT_EQ(placed.top, 0);
    EXPECT_EQ(placed.bottom, strip.top) << "the panel ends where the tabs begin";
    EXPECT_EQ(strip.left, 0);
    EXPECT_EQ(strip.right, client.right) << "the tabs keep the whole width";
    // The document's rows, the custom ones under their heading, and the
    // dates shown in the user's own form and time zone: their year and
    // minutes, whole hours apart from UTC.
    Rows shown = PanelRows(panel);
    const Rows stored = Joined(FixedRows(L"2024"), CustomRows(info));
    ASSERT_EQ(shown.size(), stored.size() + 1);
    EXPECT_EQ(shown[5], (std::pair<std::wstring, std::wstring>{L"Custom properties", L""}));
    shown.erase(shown.begin() + 5);
    const struct {
        std::size_t row;
        const wchar_t* year;
        const wchar_t* minutes;
    } dates[] = {{1, L"2023", L":12"}, {2, L"2024", L":30"}, {shown.size() - 1, L"2024", L":00"}};
    for (std::size_t row = 0; row < shown.size(); ++row) {
        const std::wstring custom = L"Custom:";
        const bool isCustom = stored[row].first.compare(0, custom.size(), custom) == 0;
        EXPECT_EQ(shown[row].first, isCustom ? stored[row].first.substr(custom.size()) : stored[row].first) << row;
        if (row != 1 && row != 2 && row != shown.size() - 1) {
            EXPECT_EQ(shown[row].second, stored[row].second) << row;
        }
    }
    for (const auto& date : dates) {
        EXPECT_NE(shown[date.row].second, stored[date.row].second) << date.row << ": not as stored";
        EXPECT_NE(shown[date.row].second.find(date.year), std::wstring::npos) << ToAnsi(shown[date.row].second);
        EXPECT_NE(shown[date.row].second.find(date.minutes), std::wstring::npos) << ToAnsi(shown[date.row].second);
    }

    // Zoomed in, the bars measure the area left of the panel.
    SendMessageW(viewer, WM_KEYDOWN, VK_ADD, 0);
    SendMessageW(viewer, WM_KEYDOWN, VK_ADD, 0);
    const ScrollBarState bar = Bar(viewer, SB_HORZ);
    ASSERT_TRUE(bar.visible);
    EXPECT_EQ(bar.nPage, static_cast<UINT>(ClientRect(viewer).right -
                                           (ChildRect(viewer, panel).right - ChildRect(viewer, panel).left)));
    const Screenshot shot = Capture(viewer);
    EXPECT_NE(shot.At(placed.left - 1, 5), kBackgroundPixel) << "the picture reaches the panel";

    SendMessageW(viewer, WM_KEYDOWN, 'I', 0);
    EXPECT_EQ(Panel(viewer), nullptr);
    EXPECT_FALSE(Bar(viewer, SB_HORZ).visible) << "the zoomed sheet, 288 pixels wide, fits the whole width";
    EXPECT_TRUE(HostMessages(WM_KEYDOWN).empty());
    Close(viewer);
}

// InfoPanel=1 shows the panel in every new viewer; it follows the next
// document, and Ctrl+C in it copies the selected rows.
TEST_F(DocumentInfo, SettingShowsThePanelWhichFollowsTheNextDocumentAndCopiesItsSelection)
{
    WriteSettings("BackColor=" + std::to_string(kBackColorSetting) + "\r\nInfoPanel=1");
    const InfoContent info = FullInfo(17000);
    HWND viewer = Load(Archive(InfoRecords(info)), 0);
    ASSERT_NE(viewer, nullptr);
    HWND panel = Panel(viewer);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(PanelRows(panel).size(), 5 + 1 + info.custom.size()) << "the fixed rows, a heading, the custom ones";

    InfoContent next = FullInfo(6000);
    next.custom = {{"Description", "lpwstr", "Shaft"}};
    ASSERT_EQ(loadNextW(host, viewer, Archive(InfoRecords(next), L"next.SLDPRT").c_str(), 0), 0);
    const Rows rows = PanelRows(Panel(viewer));
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0], (std::pair<std::wstring, std::wstring>{L"Saved with", L"2013"}));
    EXPECT_EQ(rows[6], (std::pair<std::wstring, std::wstring>{L"Description", L"Shaft"}));

    // Rows 3 and 6 selected, then Ctrl+C in the panel.
    for (const int row : {3, 6}) {
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
        SendMessageW(Panel(viewer), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    }
    SetFocus(Panel(viewer));
    SendKeyWithCtrl(Panel(viewer), 'C');
    ASSERT_TRUE(OpenClipboard(nullptr));
    const auto* copied = static_cast<const wchar_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT)));
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(std::wstring(copied), L"Author\tM. Lindqvist\r\nDescription\tShaft\r\n");
    GlobalUnlock(GetClipboardData(CF_UNICODETEXT));
    CloseClipboard();

    // A key the list has no use for reaches the viewer: I hides the panel
    // and gives the focus back.
    SendMessageW(Panel(viewer), WM_KEYDOWN, 'I', 0);
    DispatchPosted(viewer);
    EXPECT_EQ(Panel(viewer), nullptr);
    EXPECT_EQ(GetFocus(), viewer);
    Close(viewer);

    // A dark host's panel has its background.
    WriteSettings("InfoPanel=1\r\nDarkBackColor=" + std::to_string(0x00302010));
    viewer = Load(Archive(InfoRecords(info)), kShowFlagDarkHost);
    EXPECT_EQ(SendMessageW(Panel(viewer), LVM_GETBKCOLOR, 0, 0), static_cast<LRESULT>(0x00302010));
    Close(viewer);
    WriteSettings("InfoPanel=0");
    viewer = Load(Archive(InfoRecords(info)), 0);
    EXPECT_EQ(Panel(viewer), nullptr);
    Close(viewer);
}

namespace {

// Whether another program could open the document to write it while the
// plugin holds it open as a compound file: as a file, and as a storage that
// denies writing to others meanwhile, as a program saving it does.
bool g_writableWhileOpen = false;
HRESULT g_storageWriterResult = E_FAIL;
HRESULT WINAPI TryWriterInside(const wchar_t* path, IStorage* priority, DWORD mode, SNB exclude, DWORD reserved,
                               IStorage** opened)
{
    const HRESULT result = StgOpenStorage(path, priority, mode, exclude, reserved, opened);
    if (SUCCEEDED(result)) {
        HANDLE writer = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        g_writableWhileOpen = writer != INVALID_HANDLE_VALUE;
        if (writer != INVALID_HANDLE_VALUE)
            CloseHandle(writer);
        IStorage* storage = nullptr;
        g_storageWriterResult = StgOpenStorage(path, nullptr, STGM_READWRITE | STGM_SHARE_DENY_WRITE | STGM_TRANSACTED,
                                               nullptr, 0, &storage);
        if (storage != nullptr)
            storage->Release();
    }
    return result;
}

}  // namespace

// Summary sets in the form the platform writes by default (Unicode),
// and narrow strings longer than a row; the CAD program may write the
// document while its information is read.
TEST_F(DocumentInfo, CompoundSummaryInAnyFormIsReadWhileOthersMayWrite)
{
    InfoContent unicode = FullInfo(4400);
    unicode.custom.clear();
    unicode.unicodeSummary = true;
    ExpectRows(InfoOf(Compound(unicode)), FixedRows(L"2010"), "a summary set in Unicode");

    InfoContent longAuthor = FullInfo(4400);
    longAuthor.custom.clear();
    longAuthor.author = std::string(300, 'a');
    Rows cut = FixedRows(L"2010");
    cut[3].second = std::wstring(255, L'a');
    ImportPatch writer(plugin.Module(), "ole32.dll", "StgOpenStorage", reinterpret_cast<const void*>(&TryWriterInside));
    ASSERT_TRUE(writer.Applied());
    g_writableWhileOpen = false;
    g_storageWriterResult = E_FAIL;
    ExpectRows(InfoOf(Compound(longAuthor)), cut, "an author of 300 characters");
    EXPECT_TRUE(g_writableWhileOpen) << "another program can write the document while it is read";
    EXPECT_EQ(g_storageWriterResult, S_OK) << "a storage opened to write, denying writing to others, while it is read";
}

// Text in UTF-16 is cut to 255 characters before a pair of surrogates that
// would straddle the cut, never inside it: in the summary set and in the
// custom properties' names and values.
TEST_F(DocumentInfo, CompoundTextInUtf16IsCutBetweenCharacters)
{
    const std::string grinning = "\xF0\x9F\x98\x80";  // U+1F600, two UTF-16 units
    InfoContent info = FullInfo(4400);
    info.unicodeSummary = true;
    info.unicodeCustom = true;
    info.author = std::string(254, 'a') + grinning + "b";
    info.custom = {{std::string(254, 'n') + grinning, "lpwstr", std::string(254, 'v') + grinning + "w"},
                   {"Mood", "lpwstr", "ok " + grinning}};
    Rows expected = FixedRows(L"2010");
    expected[3].second = std::wstring(254, L'a');
    expected.push_back({L"Custom:" + std::wstring(254, L'n'), std::wstring(254, L'v')});
    expected.push_back({L"Custom:Mood", L"ok \xD83D\xDE00"});
    ExpectRows(InfoOf(Compound(info)), expected, "pairs at the cut");
}

namespace {

// The most private bytes the process held whenever the plugin converted
// text from a property set: the values the set holds are alive then.
std::size_t g_mostPrivateBytes = 0;
int WINAPI SampleAtConversion(UINT codePage, DWORD flags, const char* text, int length, wchar_t* wide, int capacity)
{
    g_mostPrivateBytes = std::max(g_mostPrivateBytes, PrivateBytes());
    return MultiByteToWideChar(codePage, flags, text, length, wide, capacity);
}

// The largest block the plugin asks malloc for, at its import table.
std::size_t g_largestBlock = 0;
void* (*g_plainMalloc)(std::size_t) = nullptr;
void* RecordLargestBlock(std::size_t size)
{
    g_largestBlock = std::max(g_largestBlock, size);
    return g_plainMalloc(size);
}

}  // namespace

// A property set past 64 KiB is refused whole by the size the storage gives
// its stream, before a byte of it is read: an author of 40 MB, and a
// user-defined set of 100,000 entries (some 3 MB). The other set's rows
// show, and neither the plugin nor the platform holds the set in memory.
TEST_F(DocumentInfo, CompoundSetPast64KiBIsRefusedBeforeItIsRead)
{
    InfoContent largeAuthor = FullInfo(4400);
    largeAuthor.author = std::string(40u << 20, 'a');
    const std::wstring authorPath = Compound(largeAuthor);
    largeAuthor.author.clear();
    largeAuthor.author.shrink_to_fit();
    ImportPatch conversion(plugin.Module(), "kernel32.dll", "MultiByteToWideChar",
                           reinterpret_cast<const void*>(&SampleAtConversion));
    ImportPatch allocation(plugin.Module(), "msvcrt.dll", "malloc", reinterpret_cast<const void*>(&RecordLargestBlock));
    ASSERT_TRUE(conversion.Applied());
    ASSERT_TRUE(allocation.Applied());
    g_plainMalloc = allocation.Original<void* (*)(std::size_t)>();
    const std::size_t before = PrivateBytes();
    g_mostPrivateBytes = 0;
    g_largestBlock = 0;
    ExpectRows(InfoOf(authorPath), Joined({{L"Saved with", L"2010"}}, CustomRows(largeAuthor)), "an author of 40 MB");
    EXPECT_GT(g_mostPrivateBytes, 0u) << "the custom properties are converted";
    EXPECT_LT(g_mostPrivateBytes - before, std::size_t{8} << 20)
        << g_mostPrivateBytes - before << " private bytes more while the set was read";
    EXPECT_LT(g_largestBlock, std::size_t{1} << 20) << "the plugin asked malloc for " << g_largestBlock << " bytes";

    InfoContent manyEntries = FullInfo(4400);
    manyEntries.custom.clear();
    for (int i = 0; i < 100000; ++i)
        manyEntries.custom.push_back({"P" + std::to_string(i), "i4", std::to_string(i)});
    const std::wstring entriesPath = Compound(manyEntries);
    g_largestBlock = 0;
    ExpectRows(InfoOf(entriesPath), FixedRows(L"2010"), "a user-defined set of 100,000 entries");
    EXPECT_LT(g_largestBlock, std::size_t{1} << 20) << "the plugin asked malloc for " << g_largestBlock << " bytes";
    EXPECT_TRUE(plugin.Boxes().empty());
}

// The panel ends where the tabs begin, whichever document comes next.
TEST_F(DocumentInfo, PanelFollowsTheTabsOfTheNextDocument)
{
    WriteSettings("InfoPanel=1");
    const InfoContent info = FullInfo(17000);
    const std::wstring part = Archive(InfoRecords(info));
    HWND viewer = Load(part, 0);
    ASSERT_NE(Panel(viewer), nullptr);
    const std::wstring drawing = folder.File(L"plan.SLDDRW");
    WriteArchiveFile(drawing, ArchiveDrawing(ThreeSheetDrawing(QuadrantPicture(180, 140)), InfoRecords(info)));
    ASSERT_EQ(loadNextW(host, viewer, drawing.c_str(), 0), 0);
    HWND tabs = Tabs(viewer);
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(ChildRect(viewer, Panel(viewer)).bottom, ChildRect(viewer, tabs).top) << "to a drawing";
    ASSERT_EQ(loadNextW(host, viewer, part.c_str(), 0), 0);
    EXPECT_EQ(ChildRect(viewer, Panel(viewer)).bottom, ClientRect(viewer).bottom) << "back to a part";
    Close(viewer);
}

// A click in the panel gives it the keys and a click in the picture takes
// them back: the arrows and pages then scroll the picture, not the list.
TEST_F(DocumentInfo, ClickInThePictureTakesTheKeysBackFromThePanel)
{
    WriteSettings("InfoPanel=1");
    const std::wstring path = folder.File(L"large.SLDPRT");
    WriteArchiveFile(path,
                     ArchiveDocument(Rle8Block(QuadrantPicture(1005, 716)), 0, {}, {}, InfoRecords(FullInfo(17000))));
    HWND viewer = Load(path, 0);
    ASSERT_NE(viewer, nullptr);
    HWND panel = Panel(viewer);
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(Bar(viewer, SB_VERT).visible);
    SetFocus(viewer);  // where the host puts it

    Click(viewer, panel, RowPoint(panel, 1));
    ASSERT_EQ(GetFocus(), panel);
    SendMessageW(GetFocus(), WM_KEYDOWN, VK_DOWN, 0);
    DispatchPosted(viewer);
    EXPECT_EQ(SelectedRows(panel), std::vector<int>{2}) << "the list moves while it has the keys";
    EXPECT_EQ(Bar(viewer, SB_VERT).nPos, 0);

    const RECT picture = {0, 0, ChildRect(viewer, panel).left, ClientRect(viewer).bottom};
    Click(viewer, viewer, {picture.right / 2, picture.bottom / 2});
    EXPECT_EQ(GetFocus(), viewer) << "a click in the picture takes the keys back";
    SendMessageW(GetFocus(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(Bar(viewer, SB_VERT).nPos, 30);
    SendMessageW(GetFocus(), WM_KEYDOWN, VK_END, 0);
    const ScrollBarState bottom = Bar(viewer, SB_VERT);
    EXPECT_EQ(bottom.nPos, bottom.nMax + 1 - static_cast<int>(bottom.nPage));
    SendMessageW(GetFocus(), WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(Bar(viewer, SB_VERT).nPos, 0);
    DispatchPosted(viewer);
    EXPECT_EQ(SelectedRows(panel), std::vector<int>{2}) << "the list kept its selection";
    Close(viewer);
}

// The host turning dark or light (command 2 that changes only colours)
// keeps what the user chose: the sheet, the zoom and the place it shows,
// the panel's rows and selection; the sheet's true-colour picture is laid
// over the new background. The next document starts at its saved sheet.
TEST_F(DocumentInfo, DarkToggleKeepsTheSheetTheZoomAndThePanel)
{
    constexpr std::uint32_t kDarkPixel = 0x00102030;
    WriteSettings("BackColor=" + std::to_string(kBackColorSetting) + "\r\nDarkBackColor=" + std::to_string(0x00302010) +
                  "\r\nInfoPanel=1");
    const std::wstring path = folder.File(L"plan.SLDDRW");
    WriteArchiveFile(path, ArchiveDrawing(ThreeSheetDrawing(QuadrantPicture(180, 140)), InfoRecords(FullInfo(17000))));
    HWND viewer = Load(path, 0);
    ASSERT_NE(viewer, nullptr);
    HWND tabs = Tabs(viewer);
    HWND panel = Panel(viewer);
    ASSERT_TRUE(tabs != nullptr && panel != nullptr);
    SendKeyWithCtrl(viewer, VK_NEXT);  // sheet 2, 260 x 400
    SendMessageW(viewer, WM_KEYDOWN, VK_ADD, 0);
    SendMessageW(viewer, WM_KEYDOWN, VK_ADD, 0);
    SendMessageW(viewer, WM_HSCROLL, SB_RIGHT, 0);
    SendMessageW(viewer, WM_VSCROLL, SB_LINEDOWN, 0);
    for (const int row : {3, 6}) {
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
        SendMessageW(panel, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    }
    const Rows rows = PanelRows(panel);
    const ScrollBarState horizontal = Bar(viewer, SB_HORZ);
    const ScrollBarState vertical = Bar(viewer, SB_VERT);
    ASSERT_TRUE(horizontal.visible && vertical.visible);
    ASSERT_GT(vertical.nMax + 1, 400) << "zoomed in";
    const int edge = ChildRect(viewer, panel).left - 1;  // the sheet's transparent last column
    ASSERT_EQ(Capture(viewer).At(edge, 10), kBackgroundPixel);

    const struct {
        int flags;
        std::uint32_t background;
        const char* what;
    } toggles[] = {{kShowFlagDarkHost, kDarkPixel, "dark"},
                   {kShowFlagDarkHost | kShowFlagDarkControls, kDarkPixel, "dark controls"},
                   {0, kBackgroundPixel, "light again"}};
    for (const auto& toggle : toggles) {
        EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, toggle.flags), 0) << toggle.what;
        EXPECT_EQ(Tabs(viewer), tabs) << toggle.what;
        EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 2) << toggle.what;
        const ScrollBarState h = Bar(viewer, SB_HORZ);
        const ScrollBarState v = Bar(viewer, SB_VERT);
        EXPECT_TRUE(h.visible && h.nMax == horizontal.nMax && h.nPos == horizontal.nPos && h.nPage == horizontal.nPage)
            << toggle.what << ": horizontal range " << h.nMax << ", position " << h.nPos << ", expected "
            << horizontal.nMax << ", " << horizontal.nPos;
        EXPECT_TRUE(v.visible && v.nMax == vertical.nMax && v.nPos == vertical.nPos && v.nPage == vertical.nPage)
            << toggle.what << ": vertical range " << v.nMax << ", position " << v.nPos << ", expected " << vertical.nMax
            << ", " << vertical.nPos;
        const Screenshot shot = Capture(viewer);
        EXPECT_EQ(shot.At(edge, 10), toggle.background) << toggle.what;
        EXPECT_EQ(shot.At(edge / 2, 10) >> 16, SheetPixel(2, 0, 0) >> 16 & 0xFF) << toggle.what << ": sheet 2 shown";
        EXPECT_EQ(Panel(viewer), panel) << toggle.what;
        ExpectRows(PanelRows(panel), rows, toggle.what);
        EXPECT_EQ(SelectedRows(panel), (std::vector<int>{3, 6})) << toggle.what;
    }
    // The saved sheet, whose picture was laid over the colour before, shows.
    SendKeyWithCtrl(viewer, VK_PRIOR);
    EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), static_cast<LRESULT>(kActiveSheet));
    EXPECT_EQ(Capture(viewer).At(179, 139), QuadrantPicture(180, 140).ColourAt(179, 139));

    ASSERT_EQ(loadNextW(host, viewer, path.c_str(), kShowFlagDarkHost), 0);
    EXPECT_EQ(SendMessageW(Tabs(viewer), TCM_GETCURSEL, 0, 0),
              static_cast<LRESULT>(kActiveSheet))
        << "the next document at its saved sheet";
    EXPECT_TRUE(SelectedRows(Panel(viewer)).empty());
    Close(viewer);
}

namespace {

struct PanelColours {
    LRESULT background;
    LRESULT textBackground;
    LRESULT text;
    bool operator==(const PanelColours& other) const
    {
        return background == other.background && textBackground == other.textBackground && text == other.text;
    }
};

PanelColours ColoursOf(HWND panel)
{
    return {SendMessageW(panel, LVM_GETBKCOLOR, 0, 0), SendMessageW(panel, LVM_GETTEXTBKCOLOR, 0, 0),
            SendMessageW(panel, LVM_GETTEXTCOLOR, 0, 0)};
}

std::ostream& operator<<(std::ostream& out, const PanelColours& colours)
{
    return out << std::hex << "background " << colours.background << ", text background " << colours.textBackground
               << ", text " << colours.text << std::dec;
}

std::pair<int, int> ColumnWidths(HWND panel)
{
    return {static_cast<int>(SendMessageW(panel, LVM_GETCOLUMNWIDTH, 0, 0)),
            static_cast<int>(SendMessageW(panel, LVM_GETCOLUMNWIDTH, 1, 0))};
}

}  // namespace

// A light host's panel keeps the control's own colours whatever comes: the
// next document, new options, the host turning dark and light again. The
// column widths a user drags stay until the next document.
TEST_F(DocumentInfo, PanelKeepsTheControlsColoursAndTheUsersColumnWidths)
{
    WriteSettings("InfoPanel=1\r\nDarkBackColor=" + std::to_string(0x00302010));
    const std::wstring path = Archive(InfoRecords(FullInfo(17000)));
    HWND viewer = Load(path, 0);
    ASSERT_NE(viewer, nullptr);
    HWND panel = Panel(viewer);
    ASSERT_NE(panel, nullptr);
    const PanelColours own = ColoursOf(panel);
    ASSERT_EQ(loadNextW(host, viewer, path.c_str(), 0), 0);
    EXPECT_EQ(ColoursOf(panel), own) << "after the next document";
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagFit), 0);
    EXPECT_EQ(ColoursOf(panel), own) << "after new options";
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagDarkHost), 0);
    EXPECT_EQ(ColoursOf(panel).background, static_cast<LRESULT>(0x00302010)) << "dark";
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, 0), 0);
    EXPECT_EQ(ColoursOf(panel), own) << "light again";

    // The divider between the columns dragged 40 pixels to the right.
    const std::pair<int, int> made = ColumnWidths(panel);
    HWND header = reinterpret_cast<HWND>(SendMessageW(panel, LVM_GETHEADER, 0, 0));
    RECT title = {};
    ASSERT_TRUE(SendMessageW(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&title)));
    const int y = (title.top + title.bottom) / 2;
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(title.right - 1, y));
    SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(title.right + 39, y));
    SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(title.right + 39, y));
    const std::pair<int, int> dragged = ColumnWidths(panel);
    ASSERT_EQ(dragged.first, made.first + 40);

    // The host makes the viewer wider and narrower, sends new options.
    MoveWindow(viewer, 0, 0, kHostWidth + 300, kHostHeight, TRUE);
    EXPECT_EQ(ColumnWidths(panel), dragged) << "wider";
    MoveWindow(viewer, 0, 0, kHostWidth, kHostHeight, TRUE);
    EXPECT_EQ(ColumnWidths(panel), dragged) << "as before";
    EXPECT_EQ(sendCommand(viewer, kCommandNewParameters, kShowFlagDarkHost), 0);
    EXPECT_EQ(ColumnWidths(panel), dragged) << "new options";

    // The next document has the widths of a new panel.
    ASSERT_EQ(loadNextW(host, viewer, path.c_str(), 0), 0);
    const std::pair<int, int> next = ColumnWidths(panel);
    SendMessageW(viewer, WM_KEYDOWN, 'I', 0);
    SendMessageW(viewer, WM_KEYDOWN, 'I', 0);
    ASSERT_NE(Panel(viewer), nullptr);
    EXPECT_EQ(next, ColumnWidths(Panel(viewer)));
    EXPECT_EQ(next, made);
    Close(viewer);
}

// Custom properties stand under a heading of their own, so that one named
// like a fixed row cannot pass for it. The heading is no row to select or
// copy: clicked, reached by the arrows or selected with every row, it stays
// unselected, and the arrows go on past it.
TEST_F(DocumentInfo, CustomPropertiesStandUnderAHeadingThatIsNoRow)
{
    WriteSettings("InfoPanel=1");
    InfoContent info = FullInfo(17000);
    info.custom = {{"Saved with", "lpwstr", "2025"}, {"Author", "lpwstr", "J. Forger"}};
    HWND viewer = Load(Archive(InfoRecords(info)), 0);
    ASSERT_NE(viewer, nullptr);
    HWND panel = Panel(viewer);
    ASSERT_NE(panel, nullptr);
    const Rows rows = PanelRows(panel);
    ASSERT_EQ(rows.size(), 8u);
    const Rows fixed = FixedRows(L"2024");
    for (const std::size_t row : {0u, 3u, 4u})
        EXPECT_EQ(rows[row], fixed[row]) << row;
    ExpectRows(Rows(rows.begin() + 5, rows.end()),
               {{L"Custom properties", L""}, {L"Saved with", L"2025"}, {L"Author", L"J. Forger"}}, "custom");

    Click(viewer, panel, RowPoint(panel, 5));
    EXPECT_TRUE(SelectedRows(panel).empty()) << "the heading clicked";
    Click(viewer, panel, RowPoint(panel, 4));
    ASSERT_EQ(SelectedRows(panel), std::vector<int>{4});
    SendMessageW(panel, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_TRUE(SelectedRows(panel).empty()) << "the heading reached by the arrow";
    SendMessageW(panel, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(SelectedRows(panel), std::vector<int>{6}) << "the arrow goes on past the heading";

    LVITEMW all = {};
    all.stateMask = LVIS_SELECTED;
    all.state = LVIS_SELECTED;
    SendMessageW(panel, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
    EXPECT_EQ(SelectedRows(panel), (std::vector<int>{0, 1, 2, 3, 4, 6, 7}));
    SetFocus(panel);
    SendKeyWithCtrl(panel, 'C');
    std::wstring expected;
    for (std::size_t row = 0; row < rows.size(); ++row)
        if (row != 5)
            expected += rows[row].first + L"\t" + rows[row].second + L"\r\n";
    ASSERT_TRUE(OpenClipboard(nullptr));
    const auto* copied = static_cast<const wchar_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT)));
    EXPECT_EQ(std::wstring(copied != nullptr ? copied : L"<none>"), expected);
    GlobalUnlock(GetClipboardData(CF_UNICODETEXT));
    CloseClipboard();

    // Without custom properties, no heading.
    info.custom.clear();
    ASSERT_EQ(loadNextW(host, viewer, Archive(InfoRecords(info), L"plain.SLDPRT").c_str(), 0), 0);
    EXPECT_EQ(PanelRows(panel).size(), 5u);
    Close(viewer);
}

// The panel and the picture area share the client area, nothing between
// them and nothing over, the picture keeping at least half; at real viewer
// widths every value of a typical document (the dates, in the user's form,
// the widest) fits its column uncut, by the list's own measure of what its
// text needs.
TEST_F(DocumentInfo, PanelAndPictureShareTheViewerAndValuesFitUncut)
{
    WriteSettings("InfoPanel=1");
    const std::wstring path = folder.File(L"wide.SLDPRT");
    WriteArchiveFile(path,
                     ArchiveDocument(Rle8Block(QuadrantPicture(2000, 200)), 0, {}, {}, InfoRecords(FullInfo(17000))));
    HWND viewer = Load(path, 0);
    ASSERT_NE(viewer, nullptr);
    HWND panel = Panel(viewer);
    ASSERT_NE(panel, nullptr);
    for (const int width : {400, 640, 1005, 1024, 1420}) {
        MoveWindow(viewer, 0, 0, width, 600, TRUE);
        const RECT client = ClientRect(viewer);
        const RECT placed = ChildRect(viewer, panel);
        const ScrollBarState bar = Bar(viewer, SB_HORZ);
        ASSERT_TRUE(bar.visible) << width;
        EXPECT_EQ(static_cast<LONG>(bar.nPage) + (placed.right - placed.left), client.right)
            << width << ": the picture area " << bar.nPage << " wide, the panel from " << placed.left << " to "
            << placed.right;
        EXPECT_EQ(placed.right, client.right) << width;
        EXPECT_TRUE(placed.top == 0 && placed.bottom == client.bottom) << width;
        EXPECT_GE(placed.left, client.right / 2) << width;
        if (width < 640)
            continue;
        const LRESULT given = SendMessageW(panel, LVM_GETCOLUMNWIDTH, 1, 0);
        SendMessageW(panel, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE);
        const LRESULT needed = SendMessageW(panel, LVM_GETCOLUMNWIDTH, 1, 0);
        SendMessageW(panel, LVM_SETCOLUMNWIDTH, 1, given);
        EXPECT_LE(needed, given) << width << ": the values need " << needed;
    }
    Close(viewer);
}
