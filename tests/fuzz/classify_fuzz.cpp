// Fuzzes the classification of incoming mail end to end with the input as the raw message:
// the lists, the header parsing, a real bsfilter run (a small shell script standing in for
// bsfilter: "spam" in the message is spam, "FLOOD" makes it write megabytes, "FAIL" makes it
// fail as bsfilter does), the spam action and the read-mark protocol. Every answer to the
// host is one it can carry out.
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "engine/Bsfilter.h"
#include "engine/Classify.h"
#include "engine/Mirvane.h"
#include "lists/WhiteList.h"
#include "lists/WordList.h"
#include "plugin/HostApi.h"
#include "settings/Profile.h"

namespace {

const char kScript[] =
    "input=$(cat)\n"
    "case \"$input\" in\n"
    "  *FLOOD*) head -c 3000000 /dev/zero | tr '\\000' x; exit 1;;\n"
    "  *FAIL*) echo \"/usr/bin/bsfilter:1:in \\`open': No such file (Errno::ENOENT)\" >&2; exit 1;;\n"
    "  *spam*) exit 0;;\n"
    "esac\n"
    "exit 1\n";

LPVOID WINAPI HostAlloc(int size) { return std::malloc(static_cast<size_t>(size)); }

void Setup() {
    const std::string top = fuzz::ScratchFolder();
    BuildProgramPaths(top.c_str());
    BuildDataPaths((top + "\\host").c_str());
    CreateLocks();
    PlatformMakeSureDirectoryPathExists((std::string(g_bsfilterScript)).c_str());
    PlatformMakeSureDirectoryPathExists((std::string(g_bsfilterDbFolder) + "\\").c_str());
    fuzz::Require(fuzz::WriteBytes(g_bsfilterScript, kScript, sizeof(kScript) - 1), "the stand-in is written");
    g_scriptProfile.SetUseBsfilterScript(true);
    g_scriptProfile.SetRubyModulePath("\\bin\\sh");
    g_hostApi = HostApi();
    g_hostApi.Alloc = HostAlloc;
    g_whiteList.AddOrUpdate("friend@example.net", "a friend");
    g_whiteList.AddOrUpdate("trusted.example", "a domain");
    g_ngWordProfile.SetEnabled(true);
    g_ngWordList.AddOrUpdate("(viagra|cialis)+", 0, true, false);
    g_ngWordList.AddOrUpdate("casino", 1, false, false);
    g_okWordProfile.SetEnabled(true);
    g_okWordList.AddOrUpdate("^Re: meeting", 1, true, true);
    g_okWordList.AddOrUpdate("newsletter", 2, false, false);
    g_profile.SetSpamFolder("work.mb\\spam\\");
    g_profile.SetSpamHeaderFieldName("spam-check");
    g_profile.SetSpamHeaderFieldBody("yes");
    fuzz::Require(IsBsfilterAvailable(), "the stand-in is available");
}

// Checks one answer against the action and parameter it must come with.
void CheckAnswer(int result, int action, const char* param, const char* untouched) {
    switch (result) {
        case 0:
            fuzz::Require(action == -1 || action == 42, "no decision leaves no action");
            fuzz::Require(param == untouched, "no decision leaves the parameter alone");
            break;
        case 1:
            fuzz::Require(action == 8 && std::strncmp(param, "X-spam-check: yes", 18) == 0, "a header action");
            break;
        case 2:
            fuzz::Require(action == 0 && param != untouched && param[0] != '\0', "a move action");
            break;
        case 3:
            fuzz::Require(action == 2 && std::strcmp(param, "R") == 0, "a read mark");
            break;
        default:
            fuzz::Require(false, "a known return value");
    }
    if (param != untouched) std::free(const_cast<char*>(param));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (Setup(), true);
    (void)ready;
    static char untouched[] = "untouched";
    const std::string message(reinterpret_cast<const char*>(data), size);
    // The first byte chooses the treatment, so that every action is reached.
    const unsigned choice = size > 0 ? data[0] : 0;
    g_profile.SetProcessSpamMail(static_cast<int>(choice % 4));
    g_profile.SetSetReadToSpamMail((choice & 4) != 0);
    g_profile.SetGoFolderSameRelativeFolderPath((choice & 8) != 0);

    int action = 42;
    char* param = untouched;
    const int result = OnBeforeFilter2(message.c_str(), "inbox.mb\\", &action, &param);
    CheckAnswer(result, action, param, untouched);
    if (result == 3) {
        fuzz::Require(g_action == 1, "a read mark leaves the spam action pending");
        action = 42;
        param = untouched;
        const int second = OnBeforeFilter2(message.c_str(), "inbox.mb\\", &action, &param);
        fuzz::Require(second != 3, "the second call completes the pair");
        CheckAnswer(second, action, param, untouched);
    }
    fuzz::Require(g_action == 0, "nothing stays pending");
    return 0;
}
