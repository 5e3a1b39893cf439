// The host simulator's state and its reports; see Host.h.
#include "host/api/Host.h"

#include "host/ui/HostSystem.h"

Host g_host;

namespace {

struct ButtonSet {
    unsigned code;
    const char* name;
    int ids[3];
};
const ButtonSet kButtonSets[] = {
    {0, "ok", {IDOK, 0, 0}},
    {1, "okcancel", {IDOK, IDCANCEL, 0}},
    {2, "abortretryignore", {IDABORT, IDRETRY, IDIGNORE}},
    {3, "yesnocancel", {IDYES, IDNO, IDCANCEL}},
    {4, "yesno", {IDYES, IDNO, 0}},
    {5, "retrycancel", {IDRETRY, IDCANCEL, 0}},
};

const struct {
    const char* word;
    int id;
} kAnswers[] = {
    {"ok", IDOK}, {"cancel", IDCANCEL}, {"abort", IDABORT}, {"retry", IDRETRY},
    {"ignore", IDIGNORE}, {"yes", IDYES}, {"no", IDNO},
};

const char* AnswerWord(int id) {
    for (const auto& answer : kAnswers) {
        if (answer.id == id) return answer.word;
    }
    return "?";
}

int AnswerId(const std::string& word) {
    for (const auto& answer : kAnswers) {
        if (word == answer.word) return answer.id;
    }
    return 0;
}

const char* IconName(unsigned type) {
    switch (type & 0xF0) {
        case 0x10: return "error";
        case 0x20: return "question";
        case 0x30: return "warning";
        case 0x40: return "information";
        default: return "none";
    }
}

}  // namespace

bool IsKnownAnswer(const std::string& word) { return word == "default" || AnswerId(word) != 0; }

RegisteredCommand* Host::FindCommand(UINT id) {
    for (RegisteredCommand& command : commands) {
        if (command.id == id) return &command;
    }
    return nullptr;
}

void Host::ReportCall(const JsonLine& line, bool changes) {
    if (changes || trace) Json::Emit(line);
}

int Host::AnswerMessageBox(const std::string& text, const std::string& caption, unsigned type) {
    const ButtonSet* buttons = &kButtonSets[0];
    for (const ButtonSet& set : kButtonSets) {
        if (set.code == (type & 0xF)) buttons = &set;
    }
    std::string asked = "default";
    if (!answers.empty()) {
        asked = answers.front();
        answers.pop_front();
    }
    auto offered = [&](int id) {
        for (int candidate : buttons->ids) {
            if (candidate != 0 && candidate == id) return true;
        }
        return false;
    };
    int pressed = AnswerId(asked);
    // An answer the box does not offer falls back to its counterpart (ok/yes, cancel/no),
    // then to the first button, which is what "default" presses.
    if (pressed != 0 && !offered(pressed)) {
        if (pressed == IDOK && offered(IDYES)) pressed = IDYES;
        else if (pressed == IDYES && offered(IDOK)) pressed = IDOK;
        else if (pressed == IDNO && offered(IDCANCEL)) pressed = IDCANCEL;
        else if (pressed == IDCANCEL && offered(IDNO)) pressed = IDNO;
        else pressed = 0;
    }
    if (pressed == 0) pressed = buttons->ids[0];
    Json::Emit(JsonLine("messagebox")
                   .Str("caption", caption)
                   .Str("text", text)
                   .Utf8("buttons", buttons->name)
                   .Utf8("icon", IconName(type))
                   .Int("type", static_cast<long long>(type))
                   .Utf8("asked", asked)
                   .Utf8("answer", AnswerWord(pressed)));
    return pressed;
}

int Host::AnswerDialog(const std::string& caption, const std::string& kind) {
    const int pressed = dialogs == "ok" ? IDOK : dialogs == "cancel" ? IDCANCEL : 0;
    Json::Emit(JsonLine("dialog").Str("caption", caption).Utf8("kind", kind).Utf8("action", dialogs));
    return pressed;
}

bool Host::OnProgress(int current, int total) {
    const bool press = cancelAfter > 0 && current >= cancelAfter && !m_cancelPressed;
    JsonLine line("progress");
    // The batch keeps the host's main window disabled while it runs.
    line.Int("current", current).Int("total", total).Bool("mainWindowEnabled", IsWindowEnabled(mainWindow) != FALSE);
    if (press) {
        m_cancelPressed = true;
        line.Bool("cancel", true);
    }
    Json::Emit(line);
    return press;
}

bool Host::EnsurePlugin() {
    if (m_loadAttempted) return m_loaded;
    m_loadAttempted = true;
    const HMODULE self = GetModuleHandleA(nullptr);
    for (const std::string& name : hidden) {
        const HostExportEntry* entry = nullptr;
        for (size_t i = 0; i < kHostExportCount; ++i) {
            if (name == kHostExports[i].name) entry = &kHostExports[i];
        }
        std::string error;
        if (entry == nullptr) {
            error = "not a host function: " + name;
        } else if (HostSystem::HideExport("BKA_" + name, entry->address, &error) &&
                   GetProcAddress(self, ("BKA_" + name).c_str()) != nullptr) {
            error = "BKA_" + name + " is still found after hiding it";
        }
        if (!error.empty()) {
            Json::Emit(JsonLine("load").Bool("ok", false).Utf8("reason", "hide failed").Str("error", error));
            return false;
        }
    }
    std::string warning;
    HostSystem::CreateWindows(&mainWindow, &treeWindow, &listWindow, &viewWindow, &warning);
    if (!warning.empty()) Json::Emit(JsonLine("warning").Str("message", warning));
    HostSystem::StartMessageBoxWatcher();

    const std::string path = pluginPath.empty() ? HostSystem::ProgramFolder() + HostSystem::DefaultPluginName()
                                                : pluginPath;
    DWORD error = 0;
    const bool loaded = plugin.Load(path, &error);
    JsonLine line("load");
    line.Str("plugin", path).Bool("ok", loaded).Str("hostVersion", version).StrArray("hidden", hidden);
    if (!loaded) {
        line.Utf8("reason", HostFiles::IsFile(path) ? "refused" : "not found").Int("error", static_cast<long long>(error));
        Json::Emit(line);
        return false;
    }
    line.StrArray("missingEvents", plugin.Missing());
    if (plugin.OnStart != nullptr) line.Int("onStart", plugin.OnStart());
    Json::Emit(line);
    m_loaded = true;
    return true;
}

void Host::UnloadPlugin() {
    if (m_loaded) {
        JsonLine line("unload");
        if (plugin.OnExit != nullptr) line.Int("onExit", plugin.OnExit());
        plugin.Unload();
        Json::Emit(line);
        m_loaded = false;
    }
    HostSystem::StopMessageBoxWatcher();
    HostSystem::DestroyWindows();
}
