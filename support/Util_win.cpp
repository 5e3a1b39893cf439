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

void CenterWindow(HWND reference, HWND window) {
    RECT ref;
    RECT rect;
    if (!GetWindowRect(reference, &ref) || !GetWindowRect(window, &rect)) return;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int x = ref.left + (ref.right - ref.left) / 2 - width / 2;
    const int y = ref.top + (ref.bottom - ref.top) / 2 - height / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
