#pragma once

// A loaded plugin with a settings file of the test's choosing, and the
// window-less way to its preview reader: a thumbnail in a box so large that
// every picture comes back at its own size, as the reader made it.

#include "base/host_exports.h"
#include "compound_file.h"
#include "plugin_host.h"

#include <gtest/gtest.h>

#include <string>

class ReaderTest : public ::testing::Test {
protected:
    ReaderTest()
    {
        WriteFileBytes(folder.File(L"corvelle.ini"), "[Corvelle Settings]\r\nDebug=0\r\n");
        plugin.SetDefaultParams(ToAnsi(folder.File(L"host.ini")));
        plugin.ClearBoxes();
    }

    void SetDebug(int value)
    {
        WriteFileBytes(folder.File(L"corvelle.ini"), "[Corvelle Settings]\r\nDebug=" + std::to_string(value) + "\r\n");
    }

    HBITMAP Read(const std::wstring& path)
    {
        return plugin.Export<ListGetPreviewBitmapWFunction>("ListGetPreviewBitmapW")(path.c_str(), 1 << 20, 1 << 20,
                                                                                     nullptr, 0);
    }

    std::wstring Document(const std::vector<unsigned char>& block, const std::wstring& name = L"part.SLDPRT")
    {
        const std::wstring path = folder.File(name);
        WriteDocument(path, block);
        return path;
    }

    std::wstring DocumentWithPreviewStream(const std::vector<unsigned char>& streamBytes,
                                           const std::wstring& name = L"part.SLDPRT")
    {
        const std::wstring path = folder.File(name);
        WriteCompoundFile(path, {{L"Preview", streamBytes}});
        return path;
    }

    TempFolder folder;
    LoadedPlugin plugin{folder.Path()};
};
