// The host's command line: global options, verbs, the script verb and the help text.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "host/store/Charset.h"
#include "host/api/Host.h"
#include "host/ui/HostSystem.h"
#include "host/store/HostText.h"
#include "host/cli/Verbs.h"
#include "platform/Mbcs.h"

bool IsKnownAnswer(const std::string& word);  // Host.cpp

namespace {

const char kHelp[] =
    "mirvane-host - a mail-client stand-in that loads the Mirvane plug-in and drives it\n"
    "\n"
    "usage: mirvane-host [global options] VERB [verb arguments and options]\n"
    "\n"
    "The host keeps a data folder as the mail client does: Folder.lst lists the mailbox\n"
    "folders; each mailbox folder holds Mailbox.ini ([Account] Name=, MailAddress=) and its\n"
    "folders as directories (!!!!Inbox 受信箱, !!!!Outbox 送信箱, !!!Draft 下書き, !Trash\n"
    "ごみ箱, and any folders of your own, nested as you like); each message is a file\n"
    "(00000001.msg, CR LF text) and each folder's Messages.idx keeps the order and the status\n"
    "flags (bit 1: read). HostState.txt keeps the current folder, the current message and the\n"
    "selection, so separate invocations compose.\n"
    "\n"
    "Ids: a folder id is the folder's path relative to the data folder ending in \"\\\"\n"
    "(work.mb\\!!!!Inbox\\spam\\); a mailbox id is its folder's (work.mb\\); a message id is\n"
    "its folder id followed by its file name (work.mb\\!!!!Inbox\\00000001.msg). \"/\" may be\n"
    "written for \"\\\" on the command line.\n"
    "\n"
    "Output: one JSON object per line on standard output (UTF-8), each with an \"event\" key.\n"
    "Exit codes: 0 success, 1 a verb failed, 2 usage error, 3 plug-in missing or refused to\n"
    "load, 4 (with --check-memory) the plug-in leaked host memory or freed it wrongly.\n"
    "\n"
    "Global options (before the verb):\n"
    "  --data DIR          the data folder (default: $MIRVANE_HOST_DATA)\n"
    "  --plugin PATH       the plug-in (default: Mirvane.dll / Mirvane.so beside the host)\n"
    "  --version TEXT      what BKA_GetVersion reports (default 2.80.00)\n"
    "  --hide NAME         do not export BKA_NAME (repeatable, or a comma list): the plug-in's\n"
    "                      GetProcAddress on the host fails for it, as with a host that lacks\n"
    "                      the function. The host renames the export in its own export table\n"
    "                      (Windows) or dynamic symbol table (Linux) before loading the plug-in\n"
    "                      and checks that GetProcAddress no longer finds it.\n"
    "  --answer LIST       answers for the plug-in's message boxes, used in order: ok, cancel,\n"
    "                      yes, no, abort, retry, ignore, default (the first button: OK or Yes).\n"
    "                      Once the list is used up every box gets the default. Also accepted\n"
    "                      after any verb.\n"
    "  --cancel-after N    press Cancel in the progress of a batch command once it shows N\n"
    "                      messages done (once per run). Also accepted by run. Every step of\n"
    "                      the progress is reported as a \"progress\" line.\n"
    "  --dialogs ACTION    Windows: other dialogs of the plug-in (a settings sheet): leave\n"
    "                      (default: the user closes them), ok or cancel (pressed at once)\n"
    "  --trace             report every host call of the plug-in, not only those that change\n"
    "                      something\n"
    "  --check-memory      exit 4 when host memory was leaked or wrongly freed\n"
    "  --fail-alloc        BKA_Alloc fails (answers null) as when memory is exhausted\n"
    "  --bare-data-folder  BKA_GetDataFolder answers the data folder without its trailing\n"
    "                      backslash\n"
    "  --keep-going        script: go on after a failing step\n"
    "  --help              this text\n"
    "\n"
    "Verbs on the data folder (the plug-in is not loaded for these):\n"
    "  init [DIR:NAME:ADDRESS]...   create the data folder and mailboxes with the default\n"
    "                      folders (default: main.mb:Main:user@example.com when there is none)\n"
    "  mkfolder FOLDERID...         create folders (nested ones too) in existing mailboxes\n"
    "  folders                      every mailbox and folder: id, display name, counts\n"
    "  list [FOLDERID] [--header NAME]   the messages of a folder (default: the current one):\n"
    "                      index, id, read mark, selected, subject and From (decoded),\n"
    "                      and with --header whether each has that header field\n"
    "  state                        current mailbox, folder, message and the selection\n"
    "  select [ID|FILE]... [--folder FOLDERID] [--index N]... [--all] [--none] [--add]\n"
    "                      select messages (by id, by file name or index in the folder, or all\n"
    "                      of it); the folder becomes current and the first selected message\n"
    "                      the current message. --add keeps the previous selection.\n"
    "  display-name FOLDERID...     BKA_GetFolderDisplayName: \"[Name]\" for a mailbox,\n"
    "                      \"[Name] 受信箱/spam\" for a folder, null for an unknown id\n"
    "  decode TEXT... [--encode] [--charset NAME]   BKA_MIMEHeader on each text\n"
    "\n"
    "Verbs that load the plug-in:\n"
    "  receive FILE|DIR... [--mailbox MAILBOXID] [--dot] [--no-filter]\n"
    "                      receive message files (a folder: all its files, by name) into the\n"
    "                      mailbox's inbox (default: the current mailbox). Each goes through\n"
    "                      BKC_OnBeforeFilter2 (LF made CR LF; --dot hands the text over with\n"
    "                      the POP3 end \".\" line), which is called again for the same message\n"
    "                      while it returns 3; the actions are carried out: 0 move (a folder\n"
    "                      id, or \"\\folder\\\" relative to the receiving mailbox such as\n"
    "                      \"\\!Trash\\\"), 2 \"R\" read mark, 8 add the header line, -1 nothing.\n"
    "                      One \"received\" line per message, then a \"receive\" summary.\n"
    "                      --no-filter stores without the plug-in.\n"
    "  send FILE           BKC_OnSend with the message (CR LF)\n"
    "  info                BKC_OnPlugInInfo: name, vendor, version, description\n"
    "  menu [--type N]     build the message-list context menu (host items, then BKC_OnMenuInit\n"
    "                      type 1) and print it as a tree: path, kind, text, id, enabled for the\n"
    "                      current selection (the plug-in's state callbacks are asked).\n"
    "                      --type N (not 1): an empty menu of another kind is offered to\n"
    "                      BKC_OnMenuInit; what the plug-in put into it is reported\n"
    "  run TEXT | --pos PATH [--force] [--cancel-after N] [--ui-script FILE]   choose a menu\n"
    "                      item by its text or path (\"2/5\"; a text starting with \"--\" goes\n"
    "                      after \"--\") and carry it out with the current selection; every host\n"
    "                      call the command makes and every message box is reported. A greyed\n"
    "                      item is refused unless --force. With a script (Windows) the UI\n"
    "                      driver plays the user meanwhile (host/ui/UiDriver.h).\n"
    "  setup [--ui-script FILE]   BKC_OnPlugInSetup with the host's main window; with a\n"
    "                      script (Windows) a driver plays the user in the settings sheet\n"
    "                      (steps and their reports: host/ui/UiDriver.h)\n"
    "  script FILE|-       run verbs line by line (UTF-8, \"#\" comments, \"quotes\" group words)\n"
    "                      in one process, so the plug-in stays loaded across steps\n"
    "\n"
    "Message boxes: on Linux the platform layer hands them to the hook the host registers\n"
    "with it; on Windows a watcher thread finds them (dialog class #32770),\n"
    "reads caption, text, buttons and icon, and presses the chosen button. Either way each\n"
    "is reported as a \"messagebox\" line. Under Wine this needs a display (xvfb-run).\n"
    "The progress of batch commands: on Linux the plug-in asks the host's registered\n"
    "progress hook after every message; on Windows the watcher follows the\n"
    "progress dialog's status text and clicks its Cancel button (while the host's main window\n"
    "is disabled by a batch, BKA_GetSource waits, up to 5 s, until the dialog is followed).\n";

struct VerbEntry {
    const char* name;
    int (*run)(const VerbArgs&);
    bool needsData;
    std::vector<std::string> flags;   // options without a value
    std::vector<std::string> valued;  // options with a value
};

const std::vector<VerbEntry>& Verbs() {
    static const std::vector<VerbEntry> verbs = {
        {"init", VerbInit, true, {}, {}},
        {"mkfolder", VerbMakeFolder, true, {}, {}},
        {"folders", VerbFolders, true, {}, {}},
        {"list", VerbList, true, {}, {"header"}},
        {"state", VerbState, true, {}, {}},
        {"select", VerbSelect, true, {"all", "none", "add"}, {"folder", "index"}},
        {"display-name", VerbDisplayName, true, {}, {}},
        {"decode", VerbDecode, false, {"encode"}, {"charset"}},
        {"receive", VerbReceive, true, {"dot", "no-filter"}, {"mailbox"}},
        {"send", VerbSend, true, {}, {}},
        {"info", VerbInfo, true, {}, {}},
        {"menu", VerbMenu, true, {}, {"type"}},
        {"run", VerbRun, true, {"force"}, {"pos", "cancel-after", "ui-script"}},
        {"setup", VerbSetup, true, {}, {"ui-script"}},
    };
    return verbs;
}

struct GlobalOptions {
    std::string data;
    bool checkMemory = false;
    bool keepGoing = false;
    bool help = false;
};

bool AddAnswers(const std::string& list, std::string* error) {
    for (const std::string& word : Mbcs::Split(list, ',')) {
        const std::string answer = Mbcs::ToLowerAscii(Mbcs::Trim(word));
        if (answer.empty()) continue;
        if (!IsKnownAnswer(answer)) {
            *error = "unknown answer: " + answer;
            return false;
        }
        g_host.answers.push_back(answer);
    }
    return true;
}

}  // namespace

// A count of 1 or more, written in decimal digits.
bool ParseCount(const std::string& text, int* count) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    *count = atoi(text.c_str());
    return *count > 0;
}

namespace {

// An option word, "--name" or "--name=value".
struct OptionWord {
    std::string name;
    std::string value;
    bool hasValue = false;  // written with "="
};

OptionWord SplitOption(const std::string& word) {
    OptionWord option;
    option.name = word.substr(2);
    const size_t equals = option.name.find('=');
    if (equals != std::string::npos) {
        option.value = option.name.substr(equals + 1);
        option.name.erase(equals);
        option.hasValue = true;
    }
    return option;
}

// An option that takes a value and was written without "=" takes the next word (*i moves past
// it); false when there is none.
bool TakeValue(const std::vector<std::string>& words, size_t* i, OptionWord* option) {
    if (option->hasValue) return true;
    if (*i + 1 >= words.size()) return false;
    option->value = words[++*i];
    return true;
}

// Splits "--name=value" and recognises the options of a verb; returns false with a message.
bool ParseVerb(const std::vector<std::string>& words, VerbArgs* args, std::string* error) {
    const VerbEntry* entry = nullptr;
    for (const VerbEntry& candidate : Verbs()) {
        if (words[0] == candidate.name) entry = &candidate;
    }
    if (entry == nullptr) {
        *error = "unknown verb: " + words[0];
        return false;
    }
    args->verb = words[0];
    bool optionsEnd = false;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnd || word.size() < 3 || word.compare(0, 2, "--") != 0) {
            if (word == "--") {
                optionsEnd = true;
                continue;
            }
            args->positional.push_back(word);
            continue;
        }
        OptionWord option = SplitOption(word);
        const std::string& name = option.name;
        const bool valued = name == "answer" ||
                            std::find(entry->valued.begin(), entry->valued.end(), name) != entry->valued.end();
        const bool flag = std::find(entry->flags.begin(), entry->flags.end(), name) != entry->flags.end();
        if (!valued && !flag) {
            *error = "unknown option for " + args->verb + ": --" + name;
            return false;
        }
        if (valued && !TakeValue(words, &i, &option)) {
            *error = "--" + name + " needs a value";
            return false;
        }
        if (flag && option.hasValue) {
            *error = "--" + name + " takes no value";
            return false;
        }
        if (name == "answer") {
            if (!AddAnswers(option.value, error)) return false;
            continue;
        }
        args->options[name].push_back(option.value);
    }
    return true;
}

int RunVerb(const std::vector<std::string>& words, const GlobalOptions& global);

int RunScript(const std::vector<std::string>& words, const GlobalOptions& global) {
    if (words.size() != 2) return Fail("script needs one argument: a file or -", kExitUsage);
    std::string text;
    if (words[1] == "-") {
        std::string line;
        while (std::getline(std::cin, line)) text += line + "\n";
    } else if (!HostFiles::ReadAll(HostSystem::AbsolutePath(words[1]), &text)) {
        return Fail("cannot read the script " + words[1]);
    }
    int result = kExitOk;
    int number = 0;
    for (const std::string& rawLine : Mbcs::Split(text, '\n')) {
        ++number;
        const std::string line = Mbcs::Trim(Charset::Utf8ToCp932(rawLine));
        if (line.empty() || line[0] == '#') continue;
        const std::vector<std::string> lineWords = HostText::SplitWords(line);
        if (lineWords.empty()) continue;
        Json::Emit(JsonLine("step").Int("line", number).Str("text", line));
        int code = kExitUsage;
        if (lineWords[0] == "script") {
            code = Fail("a script cannot run another script", kExitUsage);
        } else {
            code = RunVerb(lineWords, global);
        }
        if (code != kExitOk) {
            if (result == kExitOk) result = code;
            if (!global.keepGoing) break;
        }
    }
    return result;
}

int RunVerb(const std::vector<std::string>& words, const GlobalOptions& global) {
    if (words[0] == "script") return RunScript(words, global);
    if (words[0] == "help") {
        fputs(kHelp, stdout);
        return kExitOk;
    }
    VerbArgs args;
    std::string error;
    if (!ParseVerb(words, &args, &error)) return Fail(error, kExitUsage);
    const VerbEntry* entry = nullptr;
    for (const VerbEntry& candidate : Verbs()) {
        if (args.verb == candidate.name) entry = &candidate;
    }
    if (entry->needsData && global.data.empty()) return Fail("no data folder: give --data or set MIRVANE_HOST_DATA", kExitUsage);
    g_host.store.Refresh();
    const int code = entry->run(args);
    std::string flushError;
    if (!g_host.store.Flush(&flushError)) {
        Fail(flushError);
        return code == kExitOk ? kExitFailed : code;
    }
    return code;
}

void ReportMemory() {
    JsonLine line("memory");
    line.Int("allocations", static_cast<long long>(g_host.memory.Allocations()))
        .Int("frees", static_cast<long long>(g_host.memory.Frees()));
    std::string leaks = "[";
    for (const HostMemory::Leak& leak : g_host.memory.Leaks()) {
        if (leaks.size() > 1) leaks += ",";
        leaks += "{\"origin\":" + Json::Quote(leak.origin) + ",\"note\":" + Json::QuoteCp932(leak.note) +
                 ",\"size\":" + std::to_string(leak.size) + "}";
    }
    std::string faults = "[";
    for (const HostMemory::Fault& fault : g_host.memory.Faults()) {
        if (faults.size() > 1) faults += ",";
        faults += "{\"kind\":" + Json::Quote(fault.kind) + ",\"caller\":" + Json::Quote(fault.caller) +
                  ",\"origin\":" + Json::Quote(fault.origin) + "}";
    }
    line.Raw("leaks", leaks + "]").Raw("faults", faults + "]");
    Json::Emit(line);
}

}  // namespace

std::string VerbArgs::Get(const std::string& name, const std::string& fallback) const {
    auto found = options.find(name);
    return found == options.end() || found->second.empty() ? fallback : found->second.back();
}

std::vector<std::string> VerbArgs::List(const std::string& name) const {
    std::vector<std::string> values;
    auto found = options.find(name);
    if (found == options.end()) return values;
    for (const std::string& value : found->second) {
        for (const std::string& piece : Mbcs::Split(value, ',')) {
            if (!Mbcs::Trim(piece).empty()) values.push_back(Mbcs::Trim(piece));
        }
    }
    return values;
}

int Fail(const std::string& cp932Message, int code) {
    Json::Emit(JsonLine("error").Str("message", cp932Message).Int("code", code));
    return code;
}

int RunHost(int argc, char** argv) {
    HostSystem::PrepareConsole();
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) words.push_back(HostSystem::ArgumentToCp932(argv[i]));

    GlobalOptions global;
    size_t i = 0;
    std::string error;
    for (; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--help" || word == "-h") {
            global.help = true;
            continue;
        }
        if (word.compare(0, 2, "--") != 0) break;
        OptionWord option = SplitOption(word);
        const std::string& name = option.name;
        const std::string& value = option.value;
        const bool hasValue = option.hasValue;
        static const char* const kValued[] = {"data", "plugin", "version", "hide", "answer", "dialogs", "cancel-after"};
        bool valued = false;
        for (const char* candidate : kValued) valued = valued || name == candidate;
        if (valued && !TakeValue(words, &i, &option)) return Fail("--" + name + " needs a value", kExitUsage);
        if (name == "data") {
            global.data = value;
        } else if (name == "plugin") {
            g_host.pluginPath = HostSystem::AbsolutePath(value);
        } else if (name == "version") {
            g_host.version = value;
        } else if (name == "hide") {
            for (const std::string& piece : Mbcs::Split(value, ',')) {
                std::string hidden = Mbcs::Trim(piece);
                if (hidden.compare(0, 4, "BKA_") == 0) hidden.erase(0, 4);
                bool known = false;
                for (size_t k = 0; k < kHostExportCount; ++k) known = known || hidden == kHostExports[k].name;
                if (!known) return Fail("--hide: not a host function: " + piece, kExitUsage);
                g_host.hidden.push_back(hidden);
            }
        } else if (name == "answer") {
            if (!AddAnswers(value, &error)) return Fail(error, kExitUsage);
        } else if (name == "cancel-after") {
            if (!ParseCount(value, &g_host.cancelAfter)) return Fail("--cancel-after: a number of messages", kExitUsage);
        } else if (name == "dialogs") {
            if (value != "leave" && value != "ok" && value != "cancel") return Fail("--dialogs: leave, ok or cancel", kExitUsage);
            g_host.dialogs = value;
        } else if (name == "trace" && !hasValue) {
            g_host.trace = true;
        } else if (name == "check-memory" && !hasValue) {
            global.checkMemory = true;
        } else if (name == "fail-alloc" && !hasValue) {
            g_host.failAlloc = true;
        } else if (name == "bare-data-folder" && !hasValue) {
            g_host.bareDataFolder = true;
        } else if (name == "keep-going" && !hasValue) {
            global.keepGoing = true;
        } else {
            return Fail("unknown option: " + word, kExitUsage);
        }
    }
    if (global.help || i >= words.size()) {
        fputs(kHelp, stdout);
        return global.help ? kExitOk : kExitUsage;
    }
    if (global.data.empty()) {
        const char* environment = getenv("MIRVANE_HOST_DATA");
        if (environment != nullptr) global.data = HostSystem::ArgumentToCp932(environment);
    }
    if (!global.data.empty()) g_host.store.SetDataFolder(HostSystem::AbsolutePath(global.data));

    const std::vector<std::string> verbWords(words.begin() + static_cast<long>(i), words.end());
    int code = RunVerb(verbWords, global);

    const bool loaded = g_host.plugin.Loaded();
    g_host.UnloadPlugin();
    std::string flushError;
    if (!g_host.store.Flush(&flushError)) code = Fail(flushError);
    if (loaded || g_host.memory.Allocations() != 0) {
        ReportMemory();
        if (global.checkMemory && code == kExitOk && (!g_host.memory.Leaks().empty() || !g_host.memory.Faults().empty())) {
            code = kExitMemory;
        }
    }
    return code;
}
