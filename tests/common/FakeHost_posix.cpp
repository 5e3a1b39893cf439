// The user's side of the fake host on Linux: the test program exports the platform's hooks,
// so message boxes are recorded and answered here and a batch is cancelled on request.
#include "common/FakeHost.h"

#include "platform/posix/ui_hooks.h"

namespace testing_host {

void FakeHost::StartUser() { m_mainWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x4d41494e)); }

void FakeHost::StopUser() {}

void FakeHost::SourceFreed() {}

}  // namespace testing_host

extern "C" __attribute__((visibility("default"))) int PlatformMessageBoxHook(HWND, const char* text,
                                                                             const char* caption, unsigned type) {
    testing_host::FakeHost* host = testing_host::FakeHost::Instance();
    if (host == nullptr) return 0;
    testing_host::Box box;
    box.caption = caption != nullptr ? caption : "";
    box.text = text != nullptr ? text : "";
    box.type = type;
    return host->NextBoxAnswer(box);
}

extern "C" __attribute__((visibility("default"))) int PlatformProgressCancelHook(int current, int) {
    testing_host::FakeHost* host = testing_host::FakeHost::Instance();
    return host != nullptr && host->CancelDue(current) ? 1 : 0;
}
