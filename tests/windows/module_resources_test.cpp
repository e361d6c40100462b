// What the built file carries: exports, imports and resources.
#include "plugin_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace {

std::string ResourceBytes(HMODULE module, const wchar_t* name, const wchar_t* type)
{
    HRSRC resource = FindResourceW(module, name, type);
    if (resource == nullptr)
        return {};
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, resource)));
    return std::string(bytes, SizeofResource(module, resource));
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

class ModuleResources : public ::testing::Test {
protected:
    TempFolder folder;
    LoadedPlugin plugin{folder.Path()};
};

}  // namespace

TEST_F(ModuleResources, SettingsTemplateIsResource202OfTypeFileByteForByte)
{
    EXPECT_EQ(ResourceBytes(plugin.Module(), MAKEINTRESOURCEW(202), L"FILE"), kSettingsTemplate);
}

TEST_F(ModuleResources, VersionBlockGives1_3_0_1)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(plugin.Path().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::string data(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoW(plugin.Path().c_str(), 0, size, &data[0]));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length));
    EXPECT_EQ(info->dwFileVersionMS, 0x00010003u);
    EXPECT_EQ(info->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(info->dwProductVersionMS, 0x00010003u);
    EXPECT_EQ(info->dwProductVersionLS, 0x00000001u);
}

TEST_F(ModuleResources, ManifestAsksForCommonControls6AndTheCallersRights)
{
    const std::string manifest = ResourceBytes(plugin.Module(), MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(24));
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
}

TEST_F(ModuleResources, ExportsTheHostsNamesUndecorated)
{
    for (const char* name : {"ListSetDefaultParams", "ListGetPreviewBitmap", "ListGetPreviewBitmapW"})
        EXPECT_NE(GetProcAddress(plugin.Module(), name), nullptr) << name;
}

TEST_F(ModuleResources, ImportsOnlySystemLibraries)
{
    const std::string allowed[] = {"kernel32.dll", "user32.dll",   "gdi32.dll",   "ole32.dll",  "msvcrt.dll",
                                   "winspool.drv", "comctl32.dll", "uxtheme.dll", "xmllite.dll"};
    for (const std::string& name : ImportedDllNames(plugin.Module())) {
        EXPECT_NE(std::find(std::begin(allowed), std::end(allowed), Lower(name)), std::end(allowed)) << name;
    }
}
