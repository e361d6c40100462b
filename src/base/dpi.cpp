#include "base/dpi.h"

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForSystemFunction = UINT(WINAPI*)();
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
using SystemParametersInfoForDpiFunction = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);

// Far above any screen's (the platform's own scales end at 500 %).
constexpr UINT kLargestDpi = 96 * 16;

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

// A DPI the platform gave, 0 for none (or one too large to be real).
std::int32_t PlatformDpi(UINT dpi)
{
    return dpi <= kLargestDpi ? static_cast<std::int32_t>(dpi) : 0;
}

// The screen's LOGPIXELSY, or 0.
std::int32_t ScreenDpi()
{
    ScopedWindowDc screen(nullptr);
    if (screen.Get() == nullptr)
        return 0;
    const int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
    return dpi > 0 ? PlatformDpi(static_cast<UINT>(dpi)) : 0;
}

}  // namespace

std::int32_t WindowDpi(HWND window)
{
    const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr) {
        const std::int32_t dpi = PlatformDpi(getDpiForWindow(window));
        if (dpi != 0)
            return dpi;
    }
    const std::int32_t screen = ScreenDpi();
    return screen != 0 ? screen : kBaseDpi;
}

std::int32_t SystemDpi()
{
    const auto getDpiForSystem = User32Function<GetDpiForSystemFunction>("GetDpiForSystem");
    if (getDpiForSystem != nullptr) {
        const std::int32_t dpi = PlatformDpi(getDpiForSystem());
        if (dpi != 0)
            return dpi;
    }
    const std::int32_t screen = ScreenDpi();
    return screen != 0 ? screen : kBaseDpi;
}

int SystemMetricForDpi(int index, std::int32_t dpi)
{
    const auto metricForDpi = User32Function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
    if (metricForDpi != nullptr)
        return metricForDpi(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

ScopedFont MessageFontForDpi(std::int32_t dpi)
{
    const auto parametersForDpi = User32Function<SystemParametersInfoForDpiFunction>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (parametersForDpi != nullptr &&
        parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi))) {
        return ScopedFont(CreateFontIndirectW(&metrics.lfMessageFont));
    }
    metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return nullptr;
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, SystemDpi());
    return ScopedFont(CreateFontIndirectW(&metrics.lfMessageFont));
}
