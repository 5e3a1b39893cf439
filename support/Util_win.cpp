// Windows-only helpers: window centring and the platform probes.
#include "support/Util.h"

namespace {
// Layout of the record that comctl32's DllGetVersion fills (DLLVERSIONINFO).
struct DllVersionRecord {
    DWORD cbSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformID;
};
typedef HRESULT(CALLBACK* DllGetVersionProc)(DllVersionRecord*);
}  // namespace

bool IsComctl6() {
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    if (comctl == nullptr) return false;
    bool result = false;
    DllGetVersionProc proc = reinterpret_cast<DllGetVersionProc>(
        reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
    if (proc != nullptr) {
        DllVersionRecord version = {};
        version.cbSize = sizeof(version);  // 20
        if (SUCCEEDED(proc(&version))) result = version.dwMajorVersion > 5;
    }
    FreeLibrary(comctl);
    return result;
}

bool IsWindowsXPOrLater() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    if (!GetVersionExA(&info)) return false;
    return info.dwMajorVersion > 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion != 0);
}

namespace {

// The work area (the screen less the task bar) of the monitor window is on, or of the primary
// monitor when it is on none or the monitor cannot be asked.
RECT WorkAreaOf(HWND window) {
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
    if (monitor != nullptr && GetMonitorInfoA(monitor, &info)) return info.rcWork;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

ScreenRect ToScreenRect(const RECT& rect) {
    return ScreenRect{static_cast<int>(rect.left), static_cast<int>(rect.top), static_cast<int>(rect.right),
                      static_cast<int>(rect.bottom)};
}

}  // namespace

void CenterWindow(HWND reference, HWND window) {
    RECT ref;
    RECT rect;
    if (!GetWindowRect(reference, &ref) || !GetWindowRect(window, &rect)) return;
    int x = 0;
    int y = 0;
    CentredOrigin(ToScreenRect(ref), rect.right - rect.left, rect.bottom - rect.top, ToScreenRect(WorkAreaOf(reference)),
                  &x, &y);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
