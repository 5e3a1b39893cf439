// Every export of the built plug-in called with null (or zero) arguments. The library is opened
// without its load step (dlopen, not LoadLibraryA), so the events also meet a plug-in that
// never started: no host functions, no paths, no locks. None may crash; each answers 0.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "plugin/Exports.h"

namespace {

template <typename T>
T Export(void* library, const char* name) {
    return reinterpret_cast<T>(dlsym(library, name));
}

}  // namespace

TEST(Exports, EveryEventAnswersNullArgumentsWithZero) {
    void* library = dlopen(MIRVANE_BINARY_DIR "/bin/Mirvane.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, library) << dlerror();

    typedef int(WINAPI * NoArgs)();
    for (const char* name : {"BKC_OnStart", "BKC_OnExit", "BKC_OnEveryMinute"}) {
        NoArgs event = Export<NoArgs>(library, name);
        ASSERT_NE(nullptr, event) << name;
        EXPECT_EQ(0, event()) << name;
    }
    typedef int(WINAPI * OneText)(LPCSTR);
    for (const char* name : {"BKC_OnOpenFolder", "BKC_OnOpenMail", "BKC_OnSend"}) {
        OneText event = Export<OneText>(library, name);
        ASSERT_NE(nullptr, event) << name;
        EXPECT_EQ(0, event(nullptr)) << name;
    }
    EXPECT_EQ(0, Export<int(WINAPI*)(int)>(library, "BKC_OnFinishRetrieve")(0));
    EXPECT_EQ(0, Export<int(WINAPI*)(HWND, int)>(library, "BKC_OnOpenCompose")(nullptr, 0));
    EXPECT_EQ(0, Export<int(WINAPI*)(HWND, int)>(library, "BKC_OnOutgoing")(nullptr, 0));
    EXPECT_EQ(0, Export<int(WINAPI*)(LPCSTR, LPCSTR)>(library, "BKC_OnRetrieve")(nullptr, nullptr));
    EXPECT_EQ(0, Export<int(WINAPI*)(HWND, int, int)>(library, "BKC_OnKeyDispatch")(nullptr, 0, 0));
    EXPECT_EQ(0, Export<int(WINAPI*)(LPCSTR, LPCSTR, int, int)>(library, "BKC_OnDragDrop")(nullptr, nullptr, 0, 0));
    EXPECT_EQ(0, Export<PFN_BKC_OnPlugInInfo>(library, "BKC_OnPlugInInfo")(nullptr));
    EXPECT_EQ(0, Export<PFN_BKC_OnMenuInit>(library, "BKC_OnMenuInit")(nullptr, nullptr, 1));

    PFN_BKC_OnBeforeFilter2 filter = Export<PFN_BKC_OnBeforeFilter2>(library, "BKC_OnBeforeFilter2");
    ASSERT_NE(nullptr, filter);
    int action = 42;
    char untouched[] = "untouched";
    char* param = untouched;
    EXPECT_EQ(0, filter(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0, filter(nullptr, nullptr, &action, &param));
    EXPECT_EQ(0, filter("From: a@b.example\r\n\r\nbody\r\n", nullptr, &action, &param));
    EXPECT_EQ(42, action);
    EXPECT_EQ(untouched, param);
    dlclose(library);
}
