#include "plugin_host.h"

#include "base/host_exports.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <cstddef>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

std::vector<RecordedBox> g_boxes;
std::function<void()> g_insideNextBox;

int WINAPI RecordMessageBox(HWND owner, const wchar_t* text, const wchar_t* title, UINT type)
{
    g_boxes.push_back({owner, text != nullptr ? text : L"", title != nullptr ? title : L"", type});
    std::function<void()> action;
    action.swap(g_insideNextBox);
    if (action)
        action();
    return IDOK;
}

void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

}  // namespace

TempFolder::TempFolder()
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        wchar_t name[64];
        swprintf(name, 64, L"corvelle-%lu-%u", GetCurrentProcessId(), counter++);
        path_ = std::wstring(base) + name;
        if (CreateDirectoryW(path_.c_str(), nullptr))
            break;
    }
}

TempFolder::~TempFolder()
{
    RemoveTree(path_);
}

const std::string kSettingsTemplate = "[Corvelle Settings]\r\n"
                                      "; backgound color of the preview window\r\n"
                                      "; white = RGB(255, 255, 255) = 16777215 = default\r\n"
                                      "BackColor=16777215\r\n"
                                      "\r\n"
                                      "; display error messages\r\n"
                                      "; 0 = default\r\n"
                                      "Debug=0";

std::wstring BuiltPluginPath(const std::wstring& builtName)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.find_last_of(L"\\/") + 1) + builtName;
}

LoadedPlugin::LoadedPlugin(const std::wstring& folder, const std::wstring& fileName, const std::wstring& builtName)
    : path_(folder + L"\\" + fileName)
{
    if (!CopyFileW(BuiltPluginPath(builtName).c_str(), path_.c_str(), FALSE)) {
        ADD_FAILURE() << "cannot copy the plugin to the test folder";
        return;
    }
    module_ = LoadLibraryW(path_.c_str());
    if (module_ == nullptr) {
        ADD_FAILURE() << "LoadLibraryW failed with " << GetLastError();
        return;
    }
    messageBoxPatch_ = std::make_unique<ImportPatch>(module_, "user32.dll", "MessageBoxW",
                                                     reinterpret_cast<const void*>(&RecordMessageBox));
    if (!messageBoxPatch_->Applied())
        ADD_FAILURE() << "the plugin does not import MessageBoxW";
    g_boxes.clear();
}

LoadedPlugin::~LoadedPlugin()
{
    messageBoxPatch_.reset();
    g_insideNextBox = nullptr;
    if (module_ != nullptr)
        FreeLibrary(module_);
    DeleteFileW(path_.c_str());
}

const std::vector<RecordedBox>& LoadedPlugin::Boxes() const
{
    return g_boxes;
}

void LoadedPlugin::ClearBoxes()
{
    g_boxes.clear();
}

void LoadedPlugin::RunInsideNextBox(std::function<void()> action)
{
    g_insideNextBox = std::move(action);
}

void LoadedPlugin::SetDefaultParams(const std::string& hostSettingsPath) const
{
    // Three 32-bit values the plugin ignores, then the ANSI path at byte 12,
    // as long as it is: a host may pass more than the record declares.
    const std::size_t pathOffset = offsetof(HostParameterRecord, hostSettingsPath);
    std::vector<char> record(pathOffset + hostSettingsPath.size() + 1, '\x5A');
    std::copy(hostSettingsPath.begin(), hostSettingsPath.end(), record.begin() + pathOffset);
    record.back() = '\0';
    auto setDefaultParams = Export<ListSetDefaultParamsFunction>("ListSetDefaultParams");
    ASSERT_NE(setDefaultParams, nullptr);
    setDefaultParams(reinterpret_cast<const HostParameterRecord*>(record.data()));
}

std::string ToAnsi(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &result[0], size, nullptr, nullptr);
    return result;
}

std::vector<unsigned char> ReadFileBytes(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    std::ofstream file(path.c_str(), std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring SystemText(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring result = length > 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
    if (text != nullptr)
        LocalFree(text);
    return result;
}

bool CanOpenForWriting(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

HWND CreatePlainHostWindow(const wchar_t* className, int width, int height)
{
    WNDCLASSEXW hostClass = {};
    hostClass.cbSize = sizeof hostClass;
    hostClass.lpfnWndProc = DefWindowProcW;
    hostClass.hInstance = GetModuleHandleW(nullptr);
    hostClass.lpszClassName = className;
    RegisterClassExW(&hostClass);
    return CreateWindowExW(0, className, L"host", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                           hostClass.hInstance, nullptr);
}

// The system's text as a report shows it: one line end cut, or the fallback
// for codes the system has no text for; the first %1 replaced.
std::wstring ShownSystemText(DWORD code, const std::wstring& insert)
{
    std::wstring text = SystemText(code);
    if (text.empty()) {
        wchar_t fallback[32];
        swprintf(fallback, 32, L"Unknown error 0x%lX", static_cast<unsigned long>(code));
        return fallback;
    }
    if (text.size() > 1 && text.back() == L'\n') {
        text.pop_back();
        if (!text.empty() && text.back() == L'\r')
            text.pop_back();
    }
    const size_t percent = text.find(L'%');
    if (percent != std::wstring::npos && percent + 1 < text.size() && text[percent + 1] == L'1')
        text.replace(percent, 2, insert);
    return text;
}

std::size_t PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

void EmptyClipboardAsAnotherProgram()
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
}

std::wstring ClipboardText()
{
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return text;
    if (const auto* copied = static_cast<const wchar_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT)))) {
        text = copied;
        GlobalUnlock(GetClipboardData(CF_UNICODETEXT));
    }
    CloseClipboard();
    return text;
}
