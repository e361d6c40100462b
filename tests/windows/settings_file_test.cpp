// Where the settings file is found or created, its bytes, the notice and the
// warnings, as the host sees them through ListSetDefaultParams.
#include "base/host_exports.h"
#include "base/version.h"
#include "plugin_host.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const wchar_t kTitle[] = L"Corvelle " CORVELLE_VERSION;

std::wstring Notice(const std::wstring& path)
{
    return L"New initialization file is \"" + path + L"\"";
}

std::string DebugSettings(int value)
{
    return "[Corvelle Settings]\r\nDebug=" + std::to_string(value) + "\r\n";
}

class SettingsFile : public ::testing::Test {
protected:
    SettingsFile()
    {
        CreateDirectoryW(moduleFolder.c_str(), nullptr);
        CreateDirectoryW(hostFolder.c_str(), nullptr);
    }

    // True when a gated report appears for a document that does not exist,
    // that is when the settings file in use says Debug is on.
    bool DebugIsOn(LoadedPlugin& plugin)
    {
        plugin.ClearBoxes();
        auto thumbnail = plugin.Export<ListGetPreviewBitmapWFunction>("ListGetPreviewBitmapW");
        EXPECT_EQ(thumbnail(folder.File(L"missing.SLDPRT").c_str(), 100, 100, nullptr, 0), nullptr);
        const bool shown = !plugin.Boxes().empty();
        plugin.ClearBoxes();
        return shown;
    }

    TempFolder folder;
    std::wstring moduleFolder = folder.File(L"plugins");
    std::wstring hostFolder = folder.File(L"conf");
    std::wstring hostSettings = hostFolder + L"\\host.ini";
};

// Runs the test body in another current directory, restoring the old one.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::wstring& path)
    {
        GetCurrentDirectoryW(MAX_PATH, previous_);
        SetCurrentDirectoryW(path.c_str());
    }
    ~CurrentDirectory() { SetCurrentDirectoryW(previous_); }

private:
    wchar_t previous_[MAX_PATH];
};

}  // namespace

TEST_F(SettingsFile, NewFileIsCreatedBesideTheHostsSettingsFileWithTheTemplateAndANotice)
{
    LoadedPlugin plugin(moduleFolder, L"viewer.dll");
    plugin.SetDefaultParams(ToAnsi(hostSettings));

    const std::wstring created = hostFolder + L"\\viewer.ini";
    const std::vector<unsigned char> bytes = ReadFileBytes(created);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), kSettingsTemplate);
    EXPECT_FALSE(FileExists(moduleFolder + L"\\viewer.ini"));

    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(plugin.Boxes()[0].owner, nullptr);
    EXPECT_EQ(plugin.Boxes()[0].text, Notice(created));
    EXPECT_EQ(plugin.Boxes()[0].title, kTitle);
    EXPECT_EQ(plugin.Boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
}

TEST_F(SettingsFile, SecondCallFindsTheCreatedFileAndShowsNothing)
{
    LoadedPlugin plugin(moduleFolder, L"viewer.dll");
    plugin.SetDefaultParams(ToAnsi(hostSettings));
    plugin.ClearBoxes();
    plugin.SetDefaultParams(ToAnsi(hostSettings));
    EXPECT_TRUE(plugin.Boxes().empty());
}

TEST_F(SettingsFile, FileBesideTheModuleWinsOverTheOneBesideTheHost)
{
    WriteFileBytes(moduleFolder + L"\\viewer.ini", DebugSettings(1));
    WriteFileBytes(hostFolder + L"\\viewer.ini", DebugSettings(0));
    LoadedPlugin plugin(moduleFolder, L"viewer.dll");
    plugin.SetDefaultParams(ToAnsi(hostSettings));
    EXPECT_TRUE(plugin.Boxes().empty());
    EXPECT_TRUE(DebugIsOn(plugin));
}

TEST_F(SettingsFile, FileBesideTheHostIsUsedWhenNoneIsBesideTheModule)
{
    WriteFileBytes(hostFolder + L"\\viewer.ini", DebugSettings(2));
    LoadedPlugin plugin(moduleFolder, L"viewer.dll");
    plugin.SetDefaultParams(ToAnsi(hostSettings));
    EXPECT_TRUE(plugin.Boxes().empty());
    EXPECT_FALSE(FileExists(moduleFolder + L"\\viewer.ini"));
    EXPECT_TRUE(DebugIsOn(plugin));
}

TEST_F(SettingsFile, DebugIsReadAfreshAtEveryReport)
{
    const std::wstring settings = hostFolder + L"\\viewer.ini";
    WriteFileBytes(settings, "[Corvelle Settings]\r\nBackColor=0\r\n");
    LoadedPlugin plugin(moduleFolder, L"viewer.dll");
    plugin.SetDefaultParams(ToAnsi(hostSettings));
    EXPECT_FALSE(DebugIsOn(plugin));
    WriteFileBytes(settings, DebugSettings(0));
    EXPECT_FALSE(DebugIsOn(plugin));
    WriteFileBytes(settings, DebugSettings(1));
    EXPECT_TRUE(DebugIsOn(plugin));
    WriteFileBytes(settings, DebugSettings(0));
    EXPECT_FALSE(DebugIsOn(plugin));
}

// The release archive installs the plugin as corvelle.wlx64, the file name of
// a 64-bit viewer plugin: its settings file is still corvelle.ini.
TEST_F(SettingsFile, PluginInstalledUnderTheFileManagersNameKeepsCorvelleIni)
{
    LoadedPlugin plugin(moduleFolder, L"corvelle.wlx64");
    plugin.SetDefaultParams(ToAnsi(hostSettings));
    EXPECT_TRUE(FileExists(hostFolder + L"\\corvelle.ini"));
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(plugin.Boxes()[0].text, Notice(hostFolder + L"\\corvelle.ini"));
}

TEST_F(SettingsFile, BaseNameKeepsEveryDotButTheLast)
{
    LoadedPlugin plugin(moduleFolder, L"a.b.ext");
    plugin.SetDefaultParams(ToAnsi(hostSettings));
    EXPECT_TRUE(FileExists(hostFolder + L"\\a.b.ini"));
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(plugin.Boxes()[0].text, Notice(hostFolder + L"\\a.b.ini"));
}

TEST_F(SettingsFile, HostPathWithoutDirectoryGivesAPathRelativeToTheCurrentDirectory)
{
    CurrentDirectory inside(hostFolder);
    LoadedPlugin plugin(moduleFolder, L"viewer.dll");
    plugin.SetDefaultParams("host.ini");
    EXPECT_TRUE(FileExists(hostFolder + L"\\viewer.ini"));
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(plugin.Boxes()[0].text, Notice(L"viewer.ini"));
}

TEST_F(SettingsFile, EmptyOrNullHostRecordActsAsAnEmptyPath)
{
    CurrentDirectory inside(hostFolder);
    LoadedPlugin plugin(moduleFolder, L"viewer.dll");
    plugin.Export<ListSetDefaultParamsFunction>("ListSetDefaultParams")(nullptr);
    EXPECT_TRUE(FileExists(hostFolder + L"\\viewer.ini"));
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(plugin.Boxes()[0].text, Notice(L"viewer.ini"));

    DeleteFileW((hostFolder + L"\\viewer.ini").c_str());
    plugin.ClearBoxes();
    plugin.SetDefaultParams("");
    EXPECT_TRUE(FileExists(hostFolder + L"\\viewer.ini"));
    EXPECT_EQ(plugin.Boxes().size(), 1u);
}

TEST_F(SettingsFile, HostDirectoryTooLongForItsBufferIsDropped)
{
    CurrentDirectory inside(hostFolder);
    LoadedPlugin plugin(moduleFolder, L"viewer.dll");
    plugin.SetDefaultParams("C:\\" + std::string(258, 'd') + "\\host.ini");  // directory of 260 characters
    EXPECT_TRUE(FileExists(hostFolder + L"\\viewer.ini"));
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(plugin.Boxes()[0].text, Notice(L"viewer.ini"));
}

TEST_F(SettingsFile, HostPathOfMoreThan1023CharactersIsCut)
{
    // The cut leaves a directory of exactly 259 characters, which fits.
    const std::string directory = "Z:" + std::string(256, 'd') + "\\";
    const std::string hostPath = directory + std::string(2000, 'h');
    CurrentDirectory inside(hostFolder);
    LoadedPlugin plugin(moduleFolder, L"viewer.dll");
    plugin.SetDefaultParams(hostPath);
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    // Z:ddd...\ does not exist, so creation fails and names the error.
    EXPECT_EQ(plugin.Boxes()[0].text.rfind(L"CreateFileW failed with error ", 0), 0u);
}

// A module in a folder too deep for a path's folder part has no settings
// file: none is made in the host's folder under the name ".ini".
TEST_F(SettingsFile, ModuleInAFolderTooDeepMakesNoFile)
{
    std::wstring deep = L"\\\\?\\" + moduleFolder;
    for (wchar_t level : {L'a', L'b', L'c'}) {
        deep += L"\\" + std::wstring(100, level);
        ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr)) << GetLastError();
    }
    LoadedPlugin plugin(deep, L"viewer.dll");
    plugin.SetDefaultParams(ToAnsi(hostSettings));
    EXPECT_EQ(GetFileAttributesW((hostFolder + L"\\.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(plugin.Boxes().empty()) << ToAnsi(plugin.Boxes().empty() ? L"" : plugin.Boxes()[0].text);
}

TEST_F(SettingsFile, UncreatableFileGivesOneWarningAndNoNotice)
{
    LoadedPlugin plugin(moduleFolder, L"viewer.dll");
    plugin.SetDefaultParams(ToAnsi(folder.File(L"absent\\host.ini")));
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(plugin.Boxes()[0].text, L"CreateFileW failed with error 3: " + SystemText(3));
    EXPECT_EQ(plugin.Boxes()[0].title, kTitle);
    EXPECT_EQ(plugin.Boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(plugin.Boxes()[0].owner, nullptr);
}

namespace {

HANDLE WINAPI FailCreateFileWithoutCode(const wchar_t*, DWORD, DWORD, SECURITY_ATTRIBUTES*, DWORD, DWORD, HANDLE)
{
    SetLastError(0);
    return INVALID_HANDLE_VALUE;
}

BOOL WINAPI FailWriteFileDiskFull(HANDLE, const void*, DWORD, DWORD* written, OVERLAPPED*)
{
    *written = 0;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

BOOL WINAPI WriteNothingButSucceed(HANDLE, const void*, DWORD, DWORD* written, OVERLAPPED*)
{
    *written = 0;
    SetLastError(ERROR_WRITE_FAULT);
    return TRUE;
}

int g_writeCalls = 0;
BOOL WINAPI WriteTenBytesAtATime(HANDLE file, const void* bytes, DWORD count, DWORD* written, OVERLAPPED* overlapped)
{
    ++g_writeCalls;
    return WriteFile(file, bytes, count < 10 ? count : 10, written, overlapped);
}

DWORD WINAPI FailGetModuleFileName(HMODULE, wchar_t*, DWORD)
{
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
}

HRSRC WINAPI FindNoResource(HMODULE, const wchar_t*, const wchar_t*)
{
    return nullptr;
}

}  // namespace

TEST_F(SettingsFile, CreationFailureWithoutAnErrorCodeShowsNothing)
{
    LoadedPlugin plugin(moduleFolder, L"viewer.dll");
    ImportPatch patch(plugin.Module(), "kernel32.dll", "CreateFileW",
                      reinterpret_cast<const void*>(&FailCreateFileWithoutCode));
    ASSERT_TRUE(patch.Applied());
    plugin.SetDefaultParams(ToAnsi(hostSettings));
    EXPECT_TRUE(plugin.Boxes().empty());
    EXPECT_FALSE(FileExists(hostFolder + L"\\viewer.ini"));
}

TEST_F(SettingsFile, FailedWriteWarnsLeavesTheFileAndShowsNoNotice)
{
    LoadedPlugin plugin(moduleFolder, L"viewer.dll");
    ImportPatch patch(plugin.Module(), "kernel32.dll", "WriteFile",
                      reinterpret_cast<const void*>(&FailWriteFileDiskFull));
    ASSERT_TRUE(patch.Applied());
    plugin.SetDefaultParams(ToAnsi(hostSettings));
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(plugin.Boxes()[0].text, L"WriteFile failed with error 112: " + SystemText(ERROR_DISK_FULL));
    EXPECT_EQ(plugin.Boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    const std::wstring settings = hostFolder + L"\\viewer.ini";
    EXPECT_TRUE(FileExists(settings));
    EXPECT_TRUE(ReadFileBytes(settings).empty());
    // The file was closed: it can be opened exclusively again.
    HANDLE reopened = CreateFileW(settings.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(reopened, INVALID_HANDLE_VALUE);
    CloseHandle(reopened);
}

TEST_F(SettingsFile, WriteThatMakesNoProgressStopsWithAWarning)
{
    LoadedPlugin plugin(moduleFolder, L"viewer.dll");
    ImportPatch patch(plugin.Module(), "kernel32.dll", "WriteFile",
                      reinterpret_cast<const void*>(&WriteNothingButSucceed));
    ASSERT_TRUE(patch.Applied());
    plugin.SetDefaultParams(ToAnsi(hostSettings));
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(plugin.Boxes()[0].text.rfind(L"WriteFile failed with error 29: ", 0), 0u);
}

TEST_F(SettingsFile, ShortWritesAreContinuedUntilTheWholeTemplateIsWritten)
{
    LoadedPlugin plugin(moduleFolder, L"viewer.dll");
    ImportPatch patch(plugin.Module(), "kernel32.dll", "WriteFile",
                      reinterpret_cast<const void*>(&WriteTenBytesAtATime));
    ASSERT_TRUE(patch.Applied());
    g_writeCalls = 0;
    plugin.SetDefaultParams(ToAnsi(hostSettings));
    const std::vector<unsigned char> bytes = ReadFileBytes(hostFolder + L"\\viewer.ini");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), kSettingsTemplate);
    EXPECT_EQ(g_writeCalls, static_cast<int>((kSettingsTemplate.size() + 9) / 10));
    ASSERT_EQ(plugin.Boxes().size(), 1u);
    EXPECT_EQ(plugin.Boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
}

TEST_F(SettingsFile, WithoutTheModulePathNothingHappens)
{
    WriteFileBytes(hostFolder + L"\\viewer.ini", DebugSettings(1));
    LoadedPlugin plugin(moduleFolder, L"viewer.dll");
    plugin.SetDefaultParams(ToAnsi(hostSettings));
    EXPECT_TRUE(DebugIsOn(plugin));

    // A later call that cannot learn the module path keeps the earlier path.
    ImportPatch patch(plugin.Module(), "kernel32.dll", "GetModuleFileNameW",
                      reinterpret_cast<const void*>(&FailGetModuleFileName));
    ASSERT_TRUE(patch.Applied());
    plugin.SetDefaultParams(ToAnsi(folder.File(L"elsewhere\\host.ini")));
    EXPECT_TRUE(plugin.Boxes().empty());
    EXPECT_TRUE(DebugIsOn(plugin));
}

TEST_F(SettingsFile, WithoutTheModulePathAtFirstSettingsReadAsAbsent)
{
    LoadedPlugin plugin(moduleFolder, L"viewer.dll");
    ImportPatch patch(plugin.Module(), "kernel32.dll", "GetModuleFileNameW",
                      reinterpret_cast<const void*>(&FailGetModuleFileName));
    ASSERT_TRUE(patch.Applied());
    plugin.SetDefaultParams(ToAnsi(hostSettings));
    EXPECT_TRUE(plugin.Boxes().empty());
    EXPECT_FALSE(FileExists(hostFolder + L"\\viewer.ini"));
    EXPECT_FALSE(DebugIsOn(plugin));
}

TEST_F(SettingsFile, MissingTemplateCreatesNothingAndShowsNothing)
{
    LoadedPlugin plugin(moduleFolder, L"viewer.dll");
    ImportPatch patch(plugin.Module(), "kernel32.dll", "FindResourceW", reinterpret_cast<const void*>(&FindNoResource));
    ASSERT_TRUE(patch.Applied());
    plugin.SetDefaultParams(ToAnsi(hostSettings));
    EXPECT_TRUE(plugin.Boxes().empty());
    EXPECT_FALSE(FileExists(hostFolder + L"\\viewer.ini"));
}
