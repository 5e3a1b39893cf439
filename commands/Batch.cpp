// The batch skeleton of the selected-message commands and the runner of the list commands.
#include "commands/Batch.h"

#include <cstring>

#include "plugin/HostApi.h"
#include "settings/Profile.h"
#include "support/Util.h"

std::vector<std::string> GetSelectedMailIds() {
    std::vector<std::string> ids;
    if (g_hostApi.GetNextMail == nullptr) return ids;
    char id[256];
    int index = -1;
    for (;;) {
        id[0] = '\0';
        index = g_hostApi.GetNextMail(index, id, sizeof(id), TRUE);
        if (index == -1) break;
        id[sizeof(id) - 1] = '\0';
        ids.push_back(id);
    }
    return ids;
}

void ForEachMail(const std::vector<std::string>& ids, CProgressDlg* progress, const MailWork& work) {
    for (const std::string& id : ids) {
        char* source = g_hostApi.GetSource(id.c_str());
        if (source == nullptr) continue;
        work(id.c_str(), source, static_cast<DWORD>(std::strlen(source)));
        g_hostApi.Free(source);
        if (progress != nullptr) {
            progress->Step();
            if (progress->Cancelled()) break;
        }
    }
}

Batch::Batch(HWND window, const std::string& title) : m_window(window), m_title(title) {}

Batch::~Batch() { Finish(); }

bool Batch::Begin(const std::string& confirmText) {
    if (!g_profile.DisableBeforeMsgbox()) {
        const int answer = MessageBoxA(m_window, confirmText.c_str(), m_title.c_str(), MB_OKCANCEL | MB_ICONINFORMATION);
        if (answer != IDOK) return false;
    }
    m_selected = GetSelectedMailIds();
    HWND mainWindow = nullptr;
    HWND tree = nullptr;
    HWND list = nullptr;
    HWND view = nullptr;
    if (g_hostApi.GetWindowHandles != nullptr) g_hostApi.GetWindowHandles(&mainWindow, &tree, &list, &view);
    m_progress.reset(new CProgressDlg(mainWindow, m_title, static_cast<int>(m_selected.size())));
    m_progress->Start();
    return true;
}

void Batch::WindDown() {
    if (m_progress) m_progress->WindDown();
}

void Batch::Finish() {
    if (m_progress) m_progress->Close();
}

void Batch::ShowResult(const std::string& text, const std::string& caption) const {
    if (g_profile.DisableResultMsgbox()) return;
    MessageBoxA(m_window, text.c_str(), caption.c_str(), MB_ICONINFORMATION);
}

void Batch::ShowError(const std::string& text, const std::string& caption) const {
    MessageBoxA(m_window, text.c_str(), caption.c_str(), MB_ICONERROR);
}

void RunListCommand(HWND window, const ListCommand& command) {
    Batch batch(window, LoadResString(command.titleId));
    if (!batch.Begin(LoadResString(command.confirmTextId))) return;
    int count = 0;
    batch.Run([&](const char*, const char* source, DWORD) { count += command.perMessage(source); });
    command.after();
    batch.WindDown();
    batch.Finish();
    batch.ShowResult(LoadResString(command.resultTextId, count), LoadResString(command.resultCaptionId));
}
