#pragma once

// A host window of 400 x 300 client pixels on the virtual screen, the
// viewer exports, and ways to look at what a viewer shows: its pixels and its
// scroll bars as the platform holds them.

#include "base/host_exports.h"
#include "dib_fixture.h"
#include "reader_fixture.h"

#include <cstdint>
#include <vector>

inline constexpr int kHostWidth = 400;
inline constexpr int kHostHeight = 300;

// Background used by the viewer tests: 0x00BBGGRR in the settings file,
// 0x00RRGGBB once read back from the screen.
inline constexpr std::uint32_t kBackColorSetting = 0x00563412;
inline constexpr std::uint32_t kBackgroundPixel = 0x00123456;

struct ScrollBarState {
    bool visible;
    int nMin;
    int nMax;
    UINT nPage;
    int nPos;
};

struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first
    std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// A picture of four quadrants of distinct colours.
IndexedPicture QuadrantPicture(int width, int height);

// The viewer's information panel and sheet tabs, or null; a child's
// rectangle in the viewer's client coordinates.
HWND Panel(HWND viewer);
HWND Tabs(HWND viewer);
RECT ChildRect(HWND viewer, HWND child);

class ViewerTest : public ReaderTest {
protected:
    ViewerTest();
    ~ViewerTest() override;

    void WriteSettings(const std::string& keys);
    HWND Load(const std::wstring& path, int showFlags);
    HWND LoadPicture(const IndexedPicture& picture, int showFlags, const std::wstring& name = L"part.SLDPRT");
    std::wstring PictureDocument(const IndexedPicture& picture, const std::wstring& name = L"part.SLDPRT");
    void Close(HWND viewer);

    Screenshot Capture(HWND viewer);
    ScrollBarState Bar(HWND viewer, int bar);
    RECT ClientRect(HWND viewer);
    // Messages the host window has received since the last call.
    std::vector<MSG> HostMessages(UINT message);

    HWND host = nullptr;
    ListLoadWFunction loadW = plugin.Export<ListLoadWFunction>("ListLoadW");
    ListLoadFunction load = plugin.Export<ListLoadFunction>("ListLoad");
    ListLoadNextWFunction loadNextW = plugin.Export<ListLoadNextWFunction>("ListLoadNextW");
    ListLoadNextFunction loadNext = plugin.Export<ListLoadNextFunction>("ListLoadNext");
    ListCloseWindowFunction closeWindow = plugin.Export<ListCloseWindowFunction>("ListCloseWindow");
    ListSendCommandFunction sendCommand = plugin.Export<ListSendCommandFunction>("ListSendCommand");
};

// Wheel messages that reached the host window (they must not).
extern int g_hostWheelMessages;

// Runs the messages posted to a window and its children, as the host's
// message loop would.
void DispatchPosted(HWND window);

// The clipboard holds a bitmap of exactly the picture's pixels.
void ExpectClipboardHolds(const IndexedPicture& picture);

// Subclasses the viewer as the open-source file manager does: every
// WM_KEYDOWN that the viewer answers with 0 is posted on to its parent,
// where HostMessages(WM_KEYDOWN) finds it. Undone by the returned holder.
class FileManagerSubclass {
public:
    explicit FileManagerSubclass(HWND viewer);
    ~FileManagerSubclass();
    FileManagerSubclass(const FileManagerSubclass&) = delete;
    FileManagerSubclass& operator=(const FileManagerSubclass&) = delete;

private:
    HWND viewer_;
};
