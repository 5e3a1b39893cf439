// The DLL's entry point and exported host events. Each export hands over to the part that
// implements it; the trivial events answer 0 and touch nothing.
#include "plugin/Exports.h"

#include "commands/Menu.h"
#include "engine/Classify.h"
#include "plugin/DllMain.h"
#include "support/HostBoundary.h"
#include "ui/Setup.h"

extern "C" MIRVANE_EXPORT BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            return GuardHostCall("DllMain()", FALSE, [&] { return PluginProcessAttach(module); });
        case DLL_PROCESS_DETACH:
            return GuardHostCall("DllMain()", TRUE, [&] { return PluginProcessDetach(module); });
        default: return TRUE;
    }
}

int WINAPI BKC_OnStart() { return 0; }
int WINAPI BKC_OnExit() { return 0; }
int WINAPI BKC_OnEveryMinute() { return 0; }
int WINAPI BKC_OnOpenFolder(LPCSTR) { return 0; }
int WINAPI BKC_OnOpenMail(LPCSTR) { return 0; }
int WINAPI BKC_OnFinishRetrieve(int) { return 0; }
int WINAPI BKC_OnOpenCompose(HWND, int) { return 0; }
int WINAPI BKC_OnOutgoing(HWND, int) { return 0; }
int WINAPI BKC_OnRetrieve(LPCSTR, LPCSTR) { return 0; }
int WINAPI BKC_OnKeyDispatch(HWND, int, int) { return 0; }
int WINAPI BKC_OnDragDrop(LPCSTR, LPCSTR, int, int) { return 0; }

// The events with work to do answer as they do when they have nothing to do if an exception
// stops them (see HostBoundary.h).
int WINAPI BKC_OnSend(LPCSTR message) {
    return GuardHostCall("BKC_OnSend()", 0, [&] { return OnSend(message); });
}
int WINAPI BKC_OnPlugInInfo(LPBKPLUGININFO info) {
    return GuardHostCall("BKC_OnPlugInInfo()", 0, [&] { return OnPlugInInfo(info); });
}
int WINAPI BKC_OnBeforeFilter2(LPCSTR message, LPCSTR mailbox, int* action, char** param) {
    return GuardHostCall("BKC_OnBeforeFilter2()", 0, [&] { return OnBeforeFilter2(message, mailbox, action, param); });
}
int WINAPI BKC_OnMenuInit(HWND window, HMENU menu, int type) {
    return GuardHostCall("BKC_OnMenuInit()", 0, [&] { return OnMenuInit(window, menu, type); });
}
int WINAPI BKC_OnPlugInSetup(HWND window) {
    return GuardHostCall("BKC_OnPlugInSetup()", 1, [&] { return OnPlugInSetup(window); });
}
