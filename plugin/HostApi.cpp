// Binding to the host's plug-in functions: resolves every BKA_ name in the host program.
#include "plugin/HostApi.h"

#include <cstring>

HostApi g_hostApi;

const char* const kHostApiNames[] = {
    "GetVersion",         "Command",          "GetWindowHandles",     "RegisterCommand",
    "RegisterUICallback", "GetDataFolder",    "GetTempFolder",        "GetTempFileName",
    "GetCurrentMailBox",  "SetCurrentMailBox", "GetCurrentFolder",    "SetCurrentFolder",
    "GetFolderDisplayName", "SetMessageText", "GetCurrentMail",       "SetCurrentMail",
    "GetNextMail",        "SetSel",           "AppendMessage",        "MoveMessages",
    "MoveSelectedMessages", "GetStatus",      "SetStatus",            "ComposeMail",
    "GetCharSet",         "GetSource",        "SetSource",            "GetSize",
    "GetHeader",          "GetText",          "SetText",              "GetSpecifiedHeader",
    "SetSpecifiedHeader", "CompGetCharSet",   "CompGetSource",        "CompSetSource",
    "CompGetHeader",      "CompGetSpecifiedHeader", "CompSetSpecifiedHeader", "CompGetText",
    "CompSetText",        "CompAttachFile",   "Alloc",                "ReAlloc",
    "Free",               "ISO_2022_JP",      "ISO_2022_KR",          "HZ_GB2312",
    "ISO_8859_2",         "EUC_JP",           "UTF_7",                "UTF_8",
    "B64Convert",         "QPConvert",        "MIMEHeader",           "SerializeRcpts",
    "Connect",            "NextUnread",       "ProcessMail",
};
const size_t kHostApiNameCount = sizeof(kHostApiNames) / sizeof(kHostApiNames[0]);

namespace {

// Functions that older hosts lack; the plug-in works without them.
bool IsOptional(const char* name) {
    static const char* const optional[] = {"MoveMessages", "SetStatus", "GetSize", "NextUnread", "ProcessMail"};
    for (const char* o : optional) {
        if (std::strcmp(o, name) == 0) return true;
    }
    return false;
}

// The table's slots in name order: the struct holds exactly one function pointer per name.
void** Slots(HostApi& api) { return reinterpret_cast<void**>(&api.GetVersion); }

FARPROC Resolve(HostApi::Resolver resolve, HMODULE module, const char* name) {
    char symbol[64] = "BKA_";
    std::strncat(symbol, name, sizeof(symbol) - std::strlen(symbol) - 1);
    return resolve(module, symbol);
}

FARPROC ResolveExport(HMODULE module, const char* symbol) { return GetProcAddress(module, symbol); }

}  // namespace

static_assert(sizeof(HostApi) == sizeof(void*) * 59 + sizeof(HMODULE),
              "HostApi holds one address per host function, then the module");

bool HostApi::Load() {
    if (module != nullptr) return true;
    return LoadFrom(GetModuleHandleA(nullptr), ResolveExport);
}

bool HostApi::LoadFrom(HMODULE hostModule, Resolver resolve) {
    if (module != nullptr) return true;
    module = hostModule;
    if (module == nullptr) return false;

    void** slots = Slots(*this);
    // The required functions first, in table order; the first missing one refuses the host.
    for (size_t i = 0; i < kHostApiNameCount; ++i) {
        if (IsOptional(kHostApiNames[i])) continue;
        FARPROC proc = Resolve(resolve, module, kHostApiNames[i]);
        if (proc == nullptr) {
            module = nullptr;
            return false;
        }
        slots[i] = reinterpret_cast<void*>(proc);
    }
    for (size_t i = 0; i < kHostApiNameCount; ++i) {
        if (!IsOptional(kHostApiNames[i])) continue;
        slots[i] = reinterpret_cast<void*>(Resolve(resolve, module, kHostApiNames[i]));
    }

    // A host that reports a version below 2.00.06 is taken as it is; a newer one must offer
    // BKA_SetStatus.
    const char* version = GetVersion();
    const bool oldHost = version != nullptr && std::strlen(version) <= 7 && lstrcmpA(version, "2.00.06") < 0;
    if (oldHost || SetStatus != nullptr) return true;
    module = nullptr;
    return false;
}
