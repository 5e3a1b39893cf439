// A small module for the platform's module and resource tests, built twice: one copy accepts
// the process attach, the other (TEST_MODULE_REFUSES) refuses it. Both carry a string table
// and a version resource in the generator's format (platform/posix/resource_tables.h) and
// report every DllMain call to the test program, which exports PlatformTestRecordDllMain.
#include <dlfcn.h>

#include "platform/platform.h"
#include "platform/posix/resource_tables.h"

extern "C" {
typedef void (*RecordDllMainProc)(int refuses, HINSTANCE module, DWORD reason);

extern const PlatformStringEntry PlatformStringTable[];
extern const unsigned PlatformStringTableSize;
extern const PlatformVersionEntry PlatformVersionResource[];
extern const unsigned PlatformVersionLanguage;
extern const unsigned PlatformVersionCodePage;
extern const unsigned PlatformFileVersion[4];
BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);

const PlatformStringEntry PlatformStringTable[] = {
    {100, "plain text"},
    {101, "\x95\x5C\x83\x5C%d"},  // "表ソ%d": both characters end in the backslash code
    {102, ""},
};
const unsigned PlatformStringTableSize = 3;

const PlatformVersionEntry PlatformVersionResource[] = {
    {"CompanyName", "Test Company"},
    {"ProductName", "\x83\x65\x83\x58\x83\x67"},  // "テスト"
    {"ProductVersion", "1.2.3"},
    {nullptr, nullptr},
};
const unsigned PlatformVersionLanguage = 0x0411;
const unsigned PlatformVersionCodePage = 932;
const unsigned PlatformFileVersion[4] = {1, 2, 3, 4};

BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    (void)reserved;
    auto record = reinterpret_cast<RecordDllMainProc>(dlsym(RTLD_DEFAULT, "PlatformTestRecordDllMain"));
    if (record != nullptr) record(TEST_MODULE_REFUSES, module, reason);
    return reason == DLL_PROCESS_ATTACH && TEST_MODULE_REFUSES ? FALSE : TRUE;
}
}
