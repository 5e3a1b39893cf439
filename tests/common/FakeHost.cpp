// The portable part of the fake host: the message list and the host functions.
#include "common/FakeHost.h"

#include <cstdlib>
#include <cstring>

namespace testing_host {

namespace {

FakeHost* g_instance = nullptr;

char* HostCopy(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

FakeHost::Message* Find(const std::string& id) {
    for (FakeHost::Message& m : g_instance->m_messages) {
        if (m.id == id) return &m;
    }
    return nullptr;
}

LPCSTR WINAPI FakeGetVersion() { return "2.75.00"; }

BOOL WINAPI FakeGetWindowHandles(HWND* main, HWND* tree, HWND* list, HWND* view) {
    if (main != nullptr) *main = g_instance->MainWindow();
    if (tree != nullptr) *tree = nullptr;
    if (list != nullptr) *list = nullptr;
    if (view != nullptr) *view = nullptr;
    return TRUE;
}

UINT WINAPI FakeRegisterCommand(LPCSTR text, int target, BkCommandCallback callback) {
    const UINT id = 40000 + static_cast<UINT>(g_instance->m_commands.size());
    g_instance->m_commands.push_back({id, text != nullptr ? text : "", target, callback, nullptr});
    g_instance->Record("RegisterCommand", {text != nullptr ? text : "", std::to_string(target)});
    return id;
}

UINT WINAPI FakeRegisterUICallback(UINT command, BkUICallback callback) {
    for (FakeHost::Registered& r : g_instance->m_commands) {
        if (r.id == command) r.stateCallback = callback;
    }
    g_instance->Record("RegisterUICallback", {std::to_string(command)});
    return TRUE;
}

LPCSTR WINAPI FakeGetCurrentMailBox() { return g_instance->m_mailbox.c_str(); }

int WINAPI FakeGetNextMail(int start, LPSTR id, int size, BOOL selectedOnly) {
    ++g_instance->m_getNextMailCalls;
    const int count = static_cast<int>(g_instance->m_messages.size());
    for (int i = start < 0 ? 0 : start + 1; i < count; ++i) {
        const FakeHost::Message& m = g_instance->m_messages[static_cast<size_t>(i)];
        if (selectedOnly && !m.selected) continue;
        std::strncpy(id, m.id.c_str(), static_cast<size_t>(size));
        id[size - 1] = '\0';
        return i;
    }
    return -1;
}

void WINAPI FakeSetSel(LPCSTR id, BOOL select) {
    g_instance->Record("SetSel", {id, select ? "1" : "0"});
    if (FakeHost::Message* m = Find(id)) m->selected = select != FALSE;
}

BOOL WINAPI FakeMoveMessages(LPCSTR folder, LPCSTR ids, BOOL copy) {
    g_instance->Record("MoveMessages", {folder, ids, copy ? "1" : "0"});
    return TRUE;
}

DWORD WINAPI FakeSetStatus(LPCSTR id, DWORD set, DWORD reset) {
    g_instance->Record("SetStatus", {id, std::to_string(set), std::to_string(reset)});
    return 0;
}

LPSTR WINAPI FakeGetSource(LPCSTR id) {
    ++g_instance->m_getSourceCalls;
    std::string key = id != nullptr ? id : g_instance->m_current;
    FakeHost::Message* m = Find(key);
    if (m == nullptr || m->missing) return nullptr;
    char* copy = HostCopy(m->source);
    g_instance->m_handedOut[copy] = key;
    ++g_instance->m_outstanding;
    return copy;
}

void WINAPI FakeSetSource(LPCSTR id, LPCSTR source) {
    g_instance->Record("SetSource", {id, source});
    if (FakeHost::Message* m = Find(id)) m->source = source;
}

void WINAPI FakeCommand(HWND, LPCSTR command) { g_instance->Record("Command", {command}); }

LPVOID WINAPI FakeAlloc(int size) { return std::malloc(static_cast<size_t>(size)); }

void WINAPI FakeFree(LPVOID memory) {
    if (memory == nullptr) return;
    std::string id;
    auto it = g_instance->m_handedOut.find(memory);
    if (it != g_instance->m_handedOut.end()) {
        id = it->second;
        g_instance->m_handedOut.erase(it);
        --g_instance->m_outstanding;
        ++g_instance->m_freed;
    }
    std::free(memory);
    if (id.empty()) return;
    if (g_instance->onFree) g_instance->onFree(id);
    g_instance->SourceFreed();
}

}  // namespace

FakeHost::FakeHost() : m_saved(g_hostApi) {
    InitializeCriticalSection(&m_boxLock);
    g_instance = this;
    HostApi api = {};
    api.GetVersion = FakeGetVersion;
    api.GetWindowHandles = FakeGetWindowHandles;
    api.RegisterCommand = FakeRegisterCommand;
    api.RegisterUICallback = FakeRegisterUICallback;
    api.GetCurrentMailBox = FakeGetCurrentMailBox;
    api.GetNextMail = FakeGetNextMail;
    api.SetSel = FakeSetSel;
    api.MoveMessages = FakeMoveMessages;
    api.SetStatus = FakeSetStatus;
    api.GetSource = FakeGetSource;
    api.SetSource = FakeSetSource;
    api.Command = FakeCommand;
    api.Alloc = FakeAlloc;
    api.Free = FakeFree;
    api.module = reinterpret_cast<HMODULE>(this);
    g_hostApi = api;
    StartUser();
}

FakeHost::~FakeHost() {
    StopUser();
    g_hostApi = m_saved;
    g_instance = nullptr;
    DeleteCriticalSection(&m_boxLock);
}

FakeHost* FakeHost::Instance() { return g_instance; }

void FakeHost::AddMessage(const std::string& id, const std::string& source) {
    Message m;
    m.id = id;
    m.source = source;
    m_messages.push_back(m);
}

void FakeHost::Select(const std::vector<std::string>& ids) {
    for (Message& m : m_messages) {
        m.selected = false;
        for (const std::string& id : ids) {
            if (m.id == id) m.selected = true;
        }
    }
}

void FakeHost::SelectAll() {
    for (Message& m : m_messages) m.selected = true;
}

void FakeHost::MakeSourceMissing(const std::string& id) {
    if (Message* m = Find(id)) m->missing = true;
}

void FakeHost::SetCurrentMessage(const std::string& id) { m_current = id; }

void FakeHost::SetCurrentMailBox(const std::string& mailbox) { m_mailbox = mailbox; }

std::string FakeHost::Source(const std::string& id) const {
    for (const Message& m : m_messages) {
        if (m.id == id) return m.source;
    }
    return std::string();
}

std::vector<std::string> FakeHost::SelectedIds() const {
    std::vector<std::string> ids;
    for (const Message& m : m_messages) {
        if (m.selected) ids.push_back(m.id);
    }
    return ids;
}

bool FakeHost::IsSelected(const std::string& id) const {
    for (const Message& m : m_messages) {
        if (m.id == id) return m.selected;
    }
    return false;
}

std::vector<HostCall> FakeHost::CallsNamed(const std::string& name) const {
    std::vector<HostCall> calls;
    for (const HostCall& c : m_calls) {
        if (c.name == name) calls.push_back(c);
    }
    return calls;
}

void FakeHost::Record(const std::string& name, const std::vector<std::string>& args) {
    m_calls.push_back({name, args});
}

bool FakeHost::RunCommand(const std::string& text) {
    for (const Registered& r : m_commands) {
        if (r.text == text) {
            r.handler(m_mainWindow, 0);
            return true;
        }
    }
    return false;
}

void FakeHost::AnswerBoxes(const std::vector<int>& answers) {
    EnterCriticalSection(&m_boxLock);
    m_answers.assign(answers.begin(), answers.end());
    LeaveCriticalSection(&m_boxLock);
}

std::vector<Box> FakeHost::TakeBoxes() {
    std::vector<Box> boxes;
    EnterCriticalSection(&m_boxLock);
    boxes.swap(m_boxes);
    LeaveCriticalSection(&m_boxLock);
    return boxes;
}

int FakeHost::NextBoxAnswer(const Box& box) {
    EnterCriticalSection(&m_boxLock);
    m_boxes.push_back(box);
    int answer = IDOK;
    if (!m_answers.empty()) {
        answer = m_answers.front();
        m_answers.pop_front();
    }
    LeaveCriticalSection(&m_boxLock);
    return answer;
}

void FakeHost::CancelAfter(int messages) {
    m_cancelAfter = messages;
    m_freedAtCancelRequest = m_freed;
    m_cancelFired = false;
}

bool FakeHost::CancelDue(int done) {
    if (m_cancelAfter <= 0 || m_cancelFired || done < m_cancelAfter) return false;
    m_cancelFired = true;
    return true;
}

}  // namespace testing_host
