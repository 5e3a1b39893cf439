// The user's side of the fake host on Linux: while a fake host runs, its hooks are registered
// with the platform layer, so message boxes are recorded and answered here and a batch is
// cancelled on request.
#include "common/FakeHost.h"

#include "platform/posix/ui_hooks.h"

namespace testing_host {

namespace {

int AnswerBox(HWND, const char* text, const char* caption, unsigned type) {
    FakeHost* host = FakeHost::Instance();
    if (host == nullptr) return 0;
    Box box;
    box.caption = caption != nullptr ? caption : "";
    box.text = text != nullptr ? text : "";
    box.type = type;
    return host->NextBoxAnswer(box);
}

int AnswerProgress(int current, int) {
    FakeHost* host = FakeHost::Instance();
    return host != nullptr && host->CancelDue(current) ? 1 : 0;
}

}  // namespace

void FakeHost::StartUser() {
    m_mainWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x4d41494e));
    SetMessageBoxHook(AnswerBox);
    SetProgressHook(AnswerProgress);
}

void FakeHost::StopUser() {
    SetMessageBoxHook(nullptr);
    SetProgressHook(nullptr);
}

void FakeHost::SourceFreed() {}

}  // namespace testing_host
