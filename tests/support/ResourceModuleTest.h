// Shared by the tests of the language resource library: the test library the build puts beside
// the test program, and a fixture that restores the plug-in's own module afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/TestFiles.h"
#include "platform/Mbcs.h"
#include "support/Util.h"

// lang\Resource.dll beside the test program: it replaces texts 2001 and 2239 only.
inline std::string TestLanguageLibrary() {
    char path[kPathSize] = {0};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    char* slash = const_cast<char*>(Mbcs::FindLast(path, '\\'));
    if (slash != nullptr) *slash = '\0';
    return std::string(path) + "\\lang\\Resource.dll";
}

class ResourceModuleTest : public ::testing::Test {
protected:
    void TearDown() override {
        ReleaseResourceModule();
        g_resourceModule = g_moduleHandle;
    }
};
