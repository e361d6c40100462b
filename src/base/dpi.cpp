#include "base/dpi.h"

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForSystemFunction = UINT(WINAPI*)();
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
using SystemParametersInfoForDpiFunction = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);

// A function of user32 that older versions of the platform lack, or null.
// The module imports user32, so it is loaded for as long as the module is;
// looked up at each use, which is rare, so that the module keeps no state.
template <typename Function>
Function User32Function(const char* name)
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

// The screen's LOGPIXELSY, or 0.
UINT ScreenDpi()
{
    ScopedWindowDc screen(nullptr);
    if (screen.Get() == nullptr)
        return 0;
    const int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
    return dpi > 0 ? static_cast<UINT>(dpi) : 0;
}

}  // namespace

UINT WindowDpi(HWND window)
{
    const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0)
            return dpi;
    }
    const UINT screen = ScreenDpi();
    return screen != 0 ? screen : kBaseDpi;
}

UINT SystemDpi()
{
    const auto getDpiForSystem = User32Function<GetDpiForSystemFunction>("GetDpiForSystem");
    if (getDpiForSystem != nullptr) {
        const UINT dpi = getDpiForSystem();
        if (dpi != 0)
            return dpi;
    }
    const UINT screen = ScreenDpi();
    return screen != 0 ? screen : kBaseDpi;
}

int ScaleToDpi(int length, UINT dpi)
{
    return MulDiv(length, static_cast<int>(dpi), static_cast<int>(kBaseDpi));
}

int SystemMetricForDpi(int index, UINT dpi)
{
    const auto metricForDpi = User32Function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
    if (metricForDpi != nullptr)
        return metricForDpi(index, dpi);
    return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

ScopedFont MessageFontForDpi(UINT dpi)
{
    const auto parametersForDpi = User32Function<SystemParametersInfoForDpiFunction>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (parametersForDpi != nullptr && parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
        return ScopedFont(CreateFontIndirectW(&metrics.lfMessageFont));
    }
    metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return nullptr;
    metrics.lfMessageFont.lfHeight =
        MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
    return ScopedFont(CreateFontIndirectW(&metrics.lfMessageFont));
}
