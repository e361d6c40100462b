#pragma once

// One small scoped holder per kind of platform resource, so that every handle,
// device context, GDI object, COM pointer and allocation has exactly one owner
// and is released on every path.

#include "base/scoped_malloc.h"

#include <unknwn.h>
#include <windows.h>

#include <memory>
#include <type_traits>

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using ScopedBitmap = std::unique_ptr<std::remove_pointer<HBITMAP>::type, GdiObjectDeleter>;
using ScopedBrush = std::unique_ptr<std::remove_pointer<HBRUSH>::type, GdiObjectDeleter>;
using ScopedFont = std::unique_ptr<std::remove_pointer<HFONT>::type, GdiObjectDeleter>;

struct MenuDeleter {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
// A menu from CreatePopupMenu, destroyed with the items in it.
using ScopedMenu = std::unique_ptr<std::remove_pointer<HMENU>::type, MenuDeleter>;

struct MemoryDcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
// A device context from CreateCompatibleDC or CreateDCW.
using ScopedCreatedDc = std::unique_ptr<std::remove_pointer<HDC>::type, MemoryDcDeleter>;

struct ComReleaser {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename Interface>
using ScopedCom = std::unique_ptr<Interface, ComReleaser>;

struct LocalMemoryDeleter {
    void operator()(void* memory) const { LocalFree(memory); }
};
using ScopedLocalText = std::unique_ptr<wchar_t, LocalMemoryDeleter>;

// A device context from GetDC, given back with ReleaseDC.
class ScopedWindowDc {
public:
    explicit ScopedWindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~ScopedWindowDc() { Release(); }
    ScopedWindowDc(const ScopedWindowDc&) = delete;
    ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;

    HDC Get() const { return dc_; }
    // Gives the context back to the window now, with ReleaseDC.
    void Release()
    {
        if (dc_ != nullptr)
            ReleaseDC(window_, dc_);
        dc_ = nullptr;
    }

private:
    HWND window_;
    HDC dc_;
};

// A SelectObject that is undone when the scope ends.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelection()
    {
        if (previous_ != nullptr)
            SelectObject(dc_, previous_);
    }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

    bool Succeeded() const { return previous_ != nullptr; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A file handle from CreateFileW.
class ScopedFile {
public:
    explicit ScopedFile(HANDLE file) : file_(file) {}
    ~ScopedFile()
    {
        if (file_ != INVALID_HANDLE_VALUE)
            CloseHandle(file_);
    }
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;

    HANDLE Get() const { return file_; }
    bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
    // Gives up ownership without closing: the caller closes it now.
    HANDLE Detach()
    {
        HANDLE file = file_;
        file_ = INVALID_HANDLE_VALUE;
        return file;
    }

private:
    HANDLE file_;
};
