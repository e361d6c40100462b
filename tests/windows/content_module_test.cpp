// The content module as a file manager loads it: its field list and the
// setting that names the custom ones, the values of every type from both
// containers, files that are no documents and documents built to cost or
// confuse, and many threads at once.
#include "archive_builder.h"
#include "content_host.h"
#include "drawing_fixture.h"
#include "guarded_heap.h"
#include "import_patch.h"
#include "info_records.h"
#include "strict_floating_point.h"
#include "viewer_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// The viewer's detection string, as the host asks for it.
constexpr char kViewerExtensions[] =
    "EXT=\"SLDASM\"|EXT=\"SLDDRW\"|EXT=\"SLDPRT\"|EXT=\"ASMDOT\"|EXT=\"DRWDOT\"|EXT=\"PRTDOT\"|"
    "EXT=\"SLDFLP\"|EXT=\"SLDDRT\"|EXT=\"ASM\"|EXT=\"DRW\"|EXT=\"PRT\"";

const std::vector<ContentFieldInfo> kFixedFields = {
    {"Saved with", kFieldStringW},   {"Release code", kFieldNumeric32}, {"Author", kFieldStringW},
    {"Last saved by", kFieldStringW}, {"Created", kFieldDateTime},       {"Last saved", kFieldDateTime},
    {"Sheets", kFieldNumeric32},      {"Preview", kFieldBoolean},
};

// What the samples' makers write, with a value of every type.
InfoContent FullInfo(std::uint32_t releaseCode)
{
    InfoContent info = SavedBy(releaseCode);
    info.custom = {{"Description", "lpwstr", "Pipe flange DN50"},
                   {"number", "lpwstr", "FL-1420"},
                   {"Material", "lpwstr", "EN-GJS-400-15"},
                   {"Weight", "r8", "2.346"},
                   {"Holes", "i4", "1005"},
                   {"Checked", "bool", "true"},
                   // A tab, which a compound file's code page 1252 holds too.
                   {"Remark", "lpwstr", "line one\tline two"}};
    return info;
}

// Documents whose custom record is filled to the reader's cap with values
// of the longest length it keeps, each naming its document and property:
// some 70 KB of text each as the cache keeps them, so that these many hold
// well over its budget.
constexpr int kCrowdedDocuments = 160;
// The reader's caps: 64 KiB for an information record, 255 characters for a
// value.
constexpr std::size_t kInfoRecordCap = 64 * 1024;
constexpr std::size_t kLongestValue = 255;

std::string CrowdedValue(int document, int property)
{
    std::string value = "document " + std::to_string(document) + " property " + std::to_string(property) + " ";
    while (value.size() < kLongestValue)
        value += static_cast<char>('a' + (document * 7 + property * 3 + value.size()) % 26);
    return value;
}

// Three properties the default setting names, then that many fillers.
InfoContent CrowdedInfo(int document, int fillers)
{
    InfoContent info = SavedBy(17000);
    info.custom = {{"Description", "lpwstr", CrowdedValue(document, 0)},
                   {"Number", "lpwstr", "CR-" + std::to_string(document)},
                   {"Material", "lpwstr", CrowdedValue(document, 1)}};
    for (int filler = 0; filler < fillers; ++filler)
        info.custom.push_back({"P" + std::to_string(filler), "lpwstr", CrowdedValue(document, filler + 2)});
    return info;
}

// As many fillers as fit under the cap: the same for every document, as
// every value has the same length.
int CrowdedFillers()
{
    int fillers = 0;
    while (CustomXml(CrowdedInfo(0, fillers + 1)).size() <= kInfoRecordCap)
        ++fillers;
    return fillers;
}

std::wstring Wide(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

// The full text the document's custom properties make: a line each.
std::wstring FullTextOf(const InfoContent& info)
{
    std::wstring text;
    for (const CustomValue& property : info.custom)
        text += Wide(property.name) + L": " + Wide(property.value) + L"\r\n";
    return text;
}

// Where two long texts part, with a few characters of each from there.
std::string Difference(const std::wstring& expected, const std::wstring& actual)
{
    std::size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at])
        ++at;
    return "at character " + std::to_string(at) + " of " + std::to_string(expected.size()) + ": expected \"" +
           ToAnsi(expected.substr(at, 40)) + "\", got \"" + ToAnsi(actual.substr(at, 40)) + "\" (" +
           std::to_string(actual.size()) + " characters)";
}

// Answers that differ from one thread's, counted from every thread; the
// first one told.
struct Mismatches {
    void Check(const std::wstring& path, const std::wstring& expected, const std::wstring& actual)
    {
        if (actual == expected)
            return;
        const std::lock_guard<std::mutex> guard(lock);
        if (count++ == 0)
            first = ToAnsi(path) + " " + Difference(expected, actual);
    }

    std::mutex lock;
    int count = 0;
    std::string first;
};

// The module's releases of its locks, on the way back to it. On a thread
// armed for it, the release after t_releasesToSkip others runs the
// overtaking pass (once; the releases inside that pass do not count), as if
// other threads had run for a long while right there. Today nothing of the
// cache is touched after its lock is let go, so this guards against a
// change that would hand out a pointer into a cached document.
thread_local int t_releasesToSkip = -1;
thread_local bool t_overtaking = false;
std::function<void()> g_overtakingPass;
std::atomic<int> g_overtaken{0};

void WINAPI ReleaseThenOvertake(PSRWLOCK lock)
{
    ReleaseSRWLockExclusive(lock);
    if (t_overtaking || t_releasesToSkip < 0)
        return;
    if (t_releasesToSkip-- > 0)
        return;
    t_overtaking = true;
    g_overtakingPass();
    ++g_overtaken;
    t_overtaking = false;
}

bool SameTime(const FILETIME& left, const FILETIME& right)
{
    return left.dwLowDateTime == right.dwLowDateTime && left.dwHighDateTime == right.dwHighDateTime;
}

class ContentModule : public ::testing::Test {
protected:
    // The settings beside the module, Debug on: not even then a box.
    void Start(const std::string& keys = "")
    {
        WriteFileBytes(folder.File(L"corvelle.ini"), "[Corvelle Settings]\r\nDebug=1\r\n" + keys + "\r\n");
        host.SetDefaultParams(ToAnsi(folder.File(L"host.ini")));
    }

    std::wstring Archive(const InfoContent& info, const std::wstring& name = L"info.SLDPRT")
    {
        const std::wstring path = folder.File(name);
        WriteArchiveFile(path, ArchiveDocument(Rle8Block(QuadrantPicture(120, 90)), 0, {}, {}, InfoRecords(info)));
        return path;
    }

    std::wstring Drawing(Container container, const InfoContent& info, const std::wstring& name)
    {
        const std::wstring path = folder.File(name);
        const DrawingContent drawing = ThreeSheetDrawing(QuadrantPicture(1024, 600));
        if (container == Container::Archive) {
            WriteArchiveFile(path, ArchiveDrawing(drawing, InfoRecords(info)));
        } else {
            WriteDrawing(path, Container::Compound, drawing);
            WriteCompoundInfo(path, info);
        }
        return path;
    }

    // Every field of the document is a file error.
    void ExpectFileError(const std::wstring& path, const char* what)
    {
        const std::vector<ContentFieldInfo> fields = host.Fields();
        for (std::size_t i = 0; i < fields.size(); ++i)
            EXPECT_EQ(host.Value(path, static_cast<int>(i)).result, kFieldFileError)
                << what << ": " << fields[i].name;
    }

    TempFolder folder;
    ContentHost host{folder.Path()};
};

}  // namespace

// The list a host reads once: the fixed fields, the custom ones of the
// default setting, the full text last; the detection string is the
// viewer's; and the list stays as it was when the setting changes later.
TEST_F(ContentModule, FieldListIsTheDefaultSettingsAndStaysAsLoaded)
{
    Start();
    std::vector<ContentFieldInfo> expected = kFixedFields;
    for (const char* name : {"Description", "Number", "PartNo", "Material", "Revision", "Weight", "DrawnBy"})
        expected.push_back({name, kFieldStringW});
    // Declared ANSI: the file manager builds the value searched for from the
    // declared type and has none for the wide full text.
    expected.push_back({"All custom properties", kFieldFullText});
    const std::vector<ContentFieldInfo> fields = host.Fields();
    ASSERT_EQ(fields.size(), expected.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(fields[i].name, expected[i].name) << i;
        EXPECT_EQ(fields[i].type, expected[i].type) << fields[i].name;
        EXPECT_EQ(host.getSupportedFieldFlags(static_cast<int>(i)), 0) << fields[i].name;
        EXPECT_EQ(host.getDefaultSortOrder(static_cast<int>(i)), kSortAscending) << fields[i].name;
    }
    char units[16] = "x";
    char name[8] = {};
    EXPECT_EQ(host.getSupportedField(static_cast<int>(fields.size()), name, units, sizeof name), kFieldNoMoreFields);
    EXPECT_EQ(host.getSupportedField(-1, name, units, sizeof name), kFieldNoMoreFields);
    EXPECT_EQ(host.getSupportedField(12, name, units, sizeof name), kFieldStringW);
    EXPECT_STREQ(name, "Revisio") << "cut to the host's buffer of 8, its terminator included";
    EXPECT_STREQ(units, "") << "no units";

    char detect[2049] = {};
    EXPECT_EQ(host.getDetectString(detect, sizeof detect), 0);
    EXPECT_STREQ(detect, kViewerExtensions);
    char shortBuffer[8] = {};
    host.getDetectString(shortBuffer, sizeof shortBuffer);
    EXPECT_STREQ(shortBuffer, "EXT=\"SL") << "cut to the buffer with its terminator";

    Start("ContentFields=Material");
    host.SetDefaultParams(ToAnsi(folder.File(L"host.ini")));
    EXPECT_EQ(host.Fields().size(), expected.size()) << "fixed when the module loaded";
    EXPECT_TRUE(host.plugin.Boxes().empty());
}

// The setting names the custom fields, matched to the document's
// properties without regard to case; blanks, repeats, names too long for
// a field and names a host could not tell from a fixed field's are left out.
TEST_F(ContentModule, SettingNamesTheCustomFieldsMatchedWithoutRegardToCase)
{
    Start("ContentFields= material |NUMBER||Material|" + std::string(64, 'x') +
          "|author|All Custom Properties|Holes");
    const std::vector<ContentFieldInfo> fields = host.Fields();
    ASSERT_EQ(fields.size(), kFixedFields.size() + 4);
    EXPECT_EQ(fields[8].name, "material");
    EXPECT_EQ(fields[9].name, "NUMBER");
    EXPECT_EQ(fields[10].name, "Holes");
    EXPECT_EQ(fields[11].name, "All custom properties");
    const std::wstring path = Archive(FullInfo(17000));
    EXPECT_EQ(host.Value(path, "material").text, L"EN-GJS-400-15");
    EXPECT_EQ(host.Value(path, "NUMBER").text, L"FL-1420") << "the document calls it \"number\"";
    EXPECT_EQ(host.Value(path, "Holes").text, L"1005") << "a number's text";

    // A setting longer than the module reads (2049 characters), cut inside
    // its last name: "Revis" is no field.
    const std::wstring second = folder.File(L"second");
    ASSERT_TRUE(CreateDirectoryW(second.c_str(), nullptr));
    WriteFileBytes(second + L"\\corvelle.ini",
                   "[Corvelle Settings]\r\nContentFields=Material|" + std::string(2035, ' ') + "Revision\r\n");
    ContentHost longSetting{second};
    longSetting.SetDefaultParams(ToAnsi(folder.File(L"host.ini")));
    EXPECT_EQ(longSetting.Fields().size(), kFixedFields.size() + 2) << "Material and the full text";
}

// Every type from both containers: a drawing of three sheets saved by 2024
// in the archive, and by 2001 Plus in a compound file.
TEST_F(ContentModule, ValuesOfEveryTypeFromBothContainers)
{
    Start();
    const FILETIME created = UtcFileTime(2023, 11, 20, 9, 12, 44);
    const FILETIME saved = UtcFileTime(2024, 5, 17, 13, 30, 2);
    const struct {
        Container container;
        std::uint32_t code;
        const wchar_t* savedWith;
        const wchar_t* name;
    } cases[] = {{Container::Archive, 17000, L"2024", L"plan.SLDDRW"},
                 {Container::Compound, 1950, L"2001 Plus", L"plan-compound.SLDDRW"}};
    for (const auto& each : cases) {
        const InfoContent info = FullInfo(each.code);
        const std::wstring path = Drawing(each.container, info, each.name);
        const std::string what = ToAnsi(each.name);
        const ContentValue savedWith = host.Value(path, "Saved with");
        EXPECT_EQ(savedWith.result, kFieldStringW) << what;
        EXPECT_EQ(savedWith.text, each.savedWith) << what;
        const ContentValue code = host.Value(path, "Release code");
        EXPECT_EQ(code.result, kFieldNumeric32) << what;
        EXPECT_EQ(code.number, static_cast<int>(each.code)) << what;
        EXPECT_EQ(host.Value(path, "Author").text, L"M. Lindqvist") << what;
        EXPECT_EQ(host.Value(path, "Last saved by").text, L"A. Okafor") << what;
        const ContentValue createdValue = host.Value(path, "Created");
        EXPECT_EQ(createdValue.result, kFieldDateTime) << what;
        EXPECT_TRUE(SameTime(createdValue.time, created)) << what;
        EXPECT_TRUE(SameTime(host.Value(path, "Last saved").time, saved)) << what;
        const ContentValue sheets = host.Value(path, "Sheets");
        EXPECT_EQ(sheets.result, kFieldNumeric32) << what;
        EXPECT_EQ(sheets.number, 3) << what;
        const ContentValue preview = host.Value(path, "Preview");
        EXPECT_EQ(preview.result, kFieldBoolean) << what;
        EXPECT_EQ(preview.number, 1) << what;

        EXPECT_EQ(host.Value(path, "Description").text, L"Pipe flange DN50") << what;
        EXPECT_EQ(host.Value(path, "Number").text, L"FL-1420") << what;
        EXPECT_EQ(host.Value(path, "Weight").text, L"2.346") << what;
        EXPECT_EQ(host.Value(path, "PartNo").result, kFieldEmpty) << what << ": a property the document lacks";
        // The full text, whole and in pieces of 16 bytes, every piece
        // counted in bytes as the host counts it; a break inside a value
        // is a space, the lines end as lines.
        const int fullText = host.IndexOf("All custom properties");
        const ContentValue whole = host.FullText(path, fullText, kHostValueBytes);
        EXPECT_EQ(whole.result, kFieldFullTextW) << what;
        EXPECT_EQ(host.FullText(path, fullText, 16).text, whole.text) << what;
        EXPECT_EQ(whole.text,
                  L"Description: Pipe flange DN50\r\nnumber: FL-1420\r\nMaterial: EN-GJS-400-15\r\nWeight: 2.346\r\n"
                  L"Holes: 1005\r\nChecked: true\r\nRemark: line one line two\r\n")
            << what;
    }

    // The ANSI export gives the same text; the full text its own type.
    const std::string archive = ToAnsi(folder.File(L"plan.SLDDRW"));
    const ContentValue ansi = host.ValueAnsi(archive, host.IndexOf("Material"));
    EXPECT_EQ(ansi.result, kFieldString);
    EXPECT_EQ(ansi.text, L"EN-GJS-400-15");
    EXPECT_EQ(host.ValueAnsi(archive, host.IndexOf("Material"), 4).text, L"EN-") << "cut to the buffer";
    EXPECT_EQ(host.ValueAnsi(archive, host.IndexOf("All custom properties")).result, kFieldFullText);
    EXPECT_EQ(host.ValueAnsi(archive, host.IndexOf("Sheets")).number, 3);

    // The document saved again is read again: the cache knows it by its
    // size and last write, not its path alone.
    const std::wstring again = Archive(FullInfo(6000), L"again.SLDPRT");
    EXPECT_EQ(host.Value(again, "Saved with").text, L"2013");
    Archive(SavedBy(17000), L"again.SLDPRT");
    EXPECT_EQ(host.Value(again, "Saved with").text, L"2024");
    EXPECT_EQ(host.Value(again, "Material").result, kFieldEmpty);
    EXPECT_EQ(host.Value(again, "Sheets").result, kFieldEmpty) << "a part has no sheets";
    EXPECT_TRUE(host.plugin.Boxes().empty());
}

// Files that are no documents give the file error for every field; a
// document without information its picture check and nothing else; and
// records built to cost or confuse leave out their own fields only.
TEST_F(ContentModule, NoDocumentsAndHostileDocuments)
{
    Start();
    const std::wstring text = folder.File(L"notes.SLDPRT");
    WriteFileBytes(text, "no document");
    ExpectFileError(text, "a text");
    const std::wstring empty = folder.File(L"empty.SLDPRT");
    WriteFileBytes(empty, "");
    ExpectFileError(empty, "an empty file");
    ExpectFileError(folder.File(L"missing.SLDPRT"), "a missing file");
    ExpectFileError(folder.Path(), "a folder");
    EXPECT_EQ(host.getValueW(nullptr, 0, 0, nullptr, 0, 0), kFieldFileError);
    wchar_t buffer[16];
    EXPECT_EQ(host.getValueW(text.c_str(), 99, 0, buffer, sizeof buffer, 0), kFieldNoSuchField);
    EXPECT_EQ(host.getValueW(text.c_str(), -1, 0, buffer, sizeof buffer, 0), kFieldNoSuchField);

    // A compound file with a picture and no information; one whose
    // "Preview" announces more bytes than it has.
    const std::wstring bare = folder.File(L"bare.SLDPRT");
    WriteDocument(bare, Rle8Block(QuadrantPicture(640, 480)));
    EXPECT_EQ(host.Value(bare, "Saved with").result, kFieldEmpty);
    EXPECT_EQ(host.Value(bare, "Preview").number, 1);
    EXPECT_EQ(host.Value(bare, "All custom properties").result, kFieldEmpty);
    const std::wstring forgedCount = folder.File(L"forged.SLDPRT");
    WriteCompoundFile(forgedCount, {{L"Preview", {0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3}}});
    const ContentValue noPicture = host.Value(forgedCount, "Preview");
    EXPECT_EQ(noPicture.result, kFieldBoolean);
    EXPECT_EQ(noPicture.number, 0);

    const InfoContent info = FullInfo(17000);
    const auto archive = [&](const std::string& core, const std::string& custom, const std::wstring& name) {
        std::vector<NamedRecord> records = InfoRecords(info);
        records[2].bytes = Bytes(core);
        records[3].bytes = Bytes(custom);
        const std::wstring path = folder.File(name);
        WriteArchiveFile(path, ArchiveDocument(Rle8Block(QuadrantPicture(120, 90)), 0, {}, {}, records));
        return path;
    };
    // Entities nested ten deep in the core record: refused, its fields go.
    std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol0 \"lol\">";
    for (int level = 1; level < 10; ++level) {
        std::string ten;
        for (int i = 0; i < 10; ++i)
            ten += "&lol" + std::to_string(level - 1) + ";";
        laughs += "<!ENTITY lol" + std::to_string(level) + " \"" + ten + "\">";
    }
    laughs += "]><cp:coreProperties xmlns:cp=\"c\" xmlns:dc=\"d\"><dc:creator>&lol9;</dc:creator></cp:coreProperties>";
    const std::wstring nested = archive(laughs, CustomXml(info), L"laughs.SLDPRT");
    EXPECT_EQ(host.Value(nested, "Author").result, kFieldEmpty);
    EXPECT_EQ(host.Value(nested, "Saved with").text, L"2024");
    EXPECT_EQ(host.Value(nested, "Material").text, L"EN-GJS-400-15");

    // A custom record of 200 MiB of zeros, refused by its declared size.
    ArchiveBuilder builder;
    builder.AddRecord("Preview", PreviewContent(Rle8Block(QuadrantPicture(120, 90))));
    for (const NamedRecord& record : InfoRecords(info))
        if (record.name != "docProps/custom.xml")
            builder.AddRecord(record.name, record.bytes);
    builder.AddDeflatedZeroRecord("docProps/custom.xml", 200u << 20);
    const std::wstring huge = folder.File(L"huge.SLDPRT");
    WriteArchiveFile(huge, builder.Finish());
    EXPECT_EQ(host.Value(huge, "Author").text, L"M. Lindqvist");
    EXPECT_EQ(host.Value(huge, "Material").result, kFieldEmpty);
    EXPECT_EQ(host.Value(huge, "All custom properties").result, kFieldEmpty);

    // An author stored as a number in the compound file's summary set.
    InfoContent numbered = SavedBy(5000);
    const std::wstring compound = folder.File(L"numbered.SLDPRT");
    WriteDocument(compound, Rle8Block(QuadrantPicture(120, 90)));
    WriteCompoundInfo(compound, numbered, true);
    EXPECT_EQ(host.Value(compound, "Author").result, kFieldEmpty);
    EXPECT_EQ(host.Value(compound, "Last saved by").text, L"A. Okafor");
    EXPECT_TRUE(host.plugin.Boxes().empty()) << "the content module never shows a box, Debug or not";

    // The host's stop and unloading leave the module answering as before.
    host.stopGetValue(ToAnsi(huge).c_str());
    host.stopGetValue(nullptr);
    host.pluginUnloading();
    EXPECT_EQ(host.Value(nested, "Material").text, L"EN-GJS-400-15");
}

// A folder view asks from its workers and its main thread at once, for
// more documents than the cache holds: eight threads ask every field, and
// the full text in pieces of every size, while they read documents in and
// let the least recently used go; every answer is the one a single thread
// got. The module's heap makes a freed block no-access, so a value copied
// from a document let go meanwhile is an access violation, not a stale copy
// that happens to be right. And one thread is overtaken right where the
// module lets its cache's lock go, by a pass over every other document, as
// a thread may be: whatever the module still used of the cache after that
// point has been let go.
TEST_F(ContentModule, EightThreadsAnswerAsOneThreadDoes)
{
    Start();
    GuardedHeap heap(host.plugin.Module());
    ASSERT_TRUE(heap.Applied());
    const ImportPatch release(host.plugin.Module(), "kernel32.dll", "ReleaseSRWLockExclusive",
                              reinterpret_cast<const void*>(&ReleaseThenOvertake));
    ASSERT_TRUE(release.Applied());
    std::vector<std::wstring> paths = {Drawing(Container::Archive, FullInfo(17000), L"a.SLDDRW"),
                                       Drawing(Container::Compound, FullInfo(4400), L"b.SLDDRW"),
                                       Archive(FullInfo(6000), L"c.SLDPRT"), Archive(SavedBy(5000), L"d.SLDPRT")};
    const std::wstring text = folder.File(L"notes.SLDASM");
    WriteFileBytes(text, "no document");
    paths.push_back(text);
    const std::size_t firstCrowded = paths.size();
    const int fillers = CrowdedFillers();
    std::vector<std::wstring> crowdedTexts;
    for (int document = 0; document < kCrowdedDocuments; ++document) {
        const InfoContent info = CrowdedInfo(document, fillers);
        paths.push_back(Archive(info, L"crowded-" + std::to_wstring(document) + L".SLDPRT"));
        crowdedTexts.push_back(FullTextOf(info));
    }
    // Asked by the overtaken thread only, so that nothing but the pass
    // decides when it goes.
    const std::wstring lone = Archive(CrowdedInfo(kCrowdedDocuments, fillers), L"lone.SLDPRT");
    const std::wstring loneDescription = Wide(CrowdedValue(kCrowdedDocuments, 0));

    const int fullText = host.IndexOf("All custom properties");
    std::vector<std::wstring> expected;
    std::vector<std::wstring> expectedText;
    std::size_t allText = 0;
    for (const std::wstring& path : paths) {
        expected.push_back(host.Describe(path));
        expectedText.push_back(host.FullText(path, fullText, kHostValueBytes).text);
        allText += expectedText.back().size() * sizeof(wchar_t);
    }
    EXPECT_NE(expected[0], expected[2]);
    for (std::size_t i = 0; i < crowdedTexts.size(); ++i) {
        const std::wstring& actual = expectedText[firstCrowded + i];
        EXPECT_TRUE(actual == crowdedTexts[i])
            << "crowded document " << i << ": " << Difference(crowdedTexts[i], actual);
    }

    const int description = host.IndexOf("Description");
    g_overtakingPass = [&] {
        for (std::size_t i = firstCrowded; i < paths.size(); ++i)
            host.Value(paths[i], description);
    };
    g_overtaken = 0;
    Mismatches mismatches;
    std::atomic<int> answers{0};
    const auto describe = [&](std::size_t document) {
        mismatches.Check(paths[document], expected[document], host.Describe(paths[document]));
        ++answers;
    };
    const auto readFullText = [&](std::size_t document, int pieceBytes) {
        const ContentValue value = host.FullText(paths[document], fullText, pieceBytes);
        mismatches.Check(paths[document], expectedText[document], value.text);
        ++answers;
    };
    const auto askLone = [&] {
        mismatches.Check(lone, loneDescription, host.Value(lone, description).text);
        ++answers;
    };

    constexpr int kThreads = 8;
    // The host's own buffer, and pieces of 64 and 510 bytes: one full text
    // is up to two thousand look-ups while documents come and go.
    constexpr int kPieceBytes[] = {kHostValueBytes, 64, 510};
    const std::size_t count = paths.size();
    host.pluginUnloading();  // the threads start on the same documents, none cached
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            UseStrictFloatingPoint();
            // Every step asks one of the small documents, all threads the
            // same one at first; then a crowded one, the even threads going
            // forward from their own start and the odd ones backward: some
            // find what another read a moment ago, most read it again.
            const std::size_t start = count * static_cast<std::size_t>(t) / kThreads;
            for (std::size_t i = 0; i < count; ++i) {
                describe(i % firstCrowded);
                const std::size_t document = (start + (t % 2 == 0 ? i : count - i)) % count;
                if (t < kThreads / 2)
                    describe(document);
                else
                    readFullText(document, kPieceBytes[(i + t) % 3]);
                if (t != 0 || i != count / 2)
                    continue;
                // The lone document read in; overtaken right after the
                // look-up that finds it cached, which lets it go; then
                // right after it is read in again.
                askLone();
                t_releasesToSkip = 0;
                askLone();
                t_releasesToSkip = 1;
                askLone();
                t_releasesToSkip = -1;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    g_overtakingPass = nullptr;
    EXPECT_EQ(g_overtaken.load(), 2) << "a pass after the look-up and one after the lone document was read again";
    EXPECT_EQ(mismatches.count, 0) << "of " << answers.load() << " answers; the first: " << mismatches.first;
    EXPECT_LT(heap.LiveBytes(), allText) << "the documents' text overflows the cache: some were let go";
    host.pluginUnloading();
    EXPECT_EQ(heap.LiveBlocks(), 0u) << "every document the cache took is given back";
    EXPECT_TRUE(host.plugin.Boxes().empty());
}
