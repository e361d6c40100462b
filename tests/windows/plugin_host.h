#pragma once

// The test program plays the host: it copies the built plugin into a folder
// of its own under a name of its choosing, loads it, and calls its exports.
// Every message box the plugin shows is recorded instead of waiting on screen.

#include "import_patch.h"

#include <windows.h>

#include <cstddef>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A fresh, empty folder under the temporary folder, removed with its content.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

struct RecordedBox {
    HWND owner;
    std::wstring text;
    std::wstring title;
    UINT type;
};

class LoadedPlugin {
public:
    // Copies the built module (the viewer's, or builtName) to
    // folder\fileName and loads it from there.
    LoadedPlugin(const std::wstring& folder, const std::wstring& fileName = L"corvelle.dll",
                 const std::wstring& builtName = L"corvelle.dll");
    ~LoadedPlugin();
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    HMODULE Module() const { return module_; }
    const std::wstring& Path() const { return path_; }

    template <typename Function>
    Function Export(const char* name) const
    {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

    // Message boxes shown by this plugin since it was loaded (or last cleared).
    const std::vector<RecordedBox>& Boxes() const;
    void ClearBoxes();
    // Runs action once, from inside the next box, as a host would from the
    // box's message loop while the user has not yet closed it.
    void RunInsideNextBox(std::function<void()> action);

    // Calls ListSetDefaultParams with a record naming this host settings path.
    void SetDefaultParams(const std::string& hostSettingsPath) const;

private:
    std::wstring path_;
    HMODULE module_ = nullptr;
    std::unique_ptr<ImportPatch> messageBoxPatch_;
};

// The settings template as users' disks must receive it, byte for byte.
extern const std::string kSettingsTemplate;

// Where the build put a module (the viewer's by default): beside this test
// program.
std::wstring BuiltPluginPath(const std::wstring& builtName = L"corvelle.dll");

std::string ToAnsi(const std::wstring& text);
std::vector<unsigned char> ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);

// The system's text for a code as FormatMessageW gives it, or empty.
std::wstring SystemText(DWORD code);

// The system's text as a report shows it: one line end cut, or the fallback
// for codes the system has no text for; the first %1 replaced by insert.
std::wstring ShownSystemText(DWORD code, const std::wstring& insert);

// The process's private bytes now, as the system counts them.
std::size_t PrivateBytes();

// Whether another program could open the file for writing, exclusively, now.
bool CanOpenForWriting(const std::wstring& path);

// The clipboard as another program leaves or finds it: emptied, or its
// text (empty when it holds none).
void EmptyClipboardAsAnotherProgram();
std::wstring ClipboardText();

// A visible pop-up window of a class of its own that does nothing but exist,
// for a program that plays the host.
HWND CreatePlainHostWindow(const wchar_t* className, int width, int height);
