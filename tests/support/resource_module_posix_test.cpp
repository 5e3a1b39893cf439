// The choice of the language library by the user's UI language (set through the POSIX
// stand-in's MIRVANE_UI_LANGUAGE): the exact language's folder, else its language's default
// variant, never another language's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/ResourceModuleTest.h"

using testing_files::MakeFolders;
using testing_files::TempDir;

namespace {

class LanguageChoiceTest : public ResourceModuleTest {
protected:
    void TearDown() override {
        unsetenv("MIRVANE_UI_LANGUAGE");
        ResourceModuleTest::TearDown();
    }
    // A program folder with the test library as <folder>\Resource.dll.
    void Install(const TempDir& program, const char* folder) {
        ASSERT_TRUE(MakeFolders(program.File(folder)));
        ASSERT_TRUE(CopyFileA(TestLanguageLibrary().c_str(), program.File(std::string(folder) + "\\Resource.dll").c_str(),
                              FALSE));
    }
};

}  // namespace

TEST_F(LanguageChoiceTest, AnEnglishVariantFallsBackToTheEnglishLibrary) {
    TempDir program;
    Install(program, "1033");
    for (const char* language : {"1033", "2057", "3081", "0x1009"}) {  // US, UK, Australia, Canada
        setenv("MIRVANE_UI_LANGUAGE", language, 1);
        SelectResourceModule(program.Path().c_str());
        EXPECT_EQ(LoadResString(2001), "bsfilter (Mirvane, test language)") << language;
        ReleaseResourceModule();
    }
}

TEST_F(LanguageChoiceTest, TheExactLanguageComesFirstAndNoOtherLanguageIsTaken) {
    TempDir program;
    Install(program, "2057");
    setenv("MIRVANE_UI_LANGUAGE", "2057", 1);
    SelectResourceModule(program.Path().c_str());
    EXPECT_EQ(LoadResString(2001), "bsfilter (Mirvane, test language)");
    ReleaseResourceModule();

    // A French Windows keeps the plug-in's own texts beside an English library.
    Install(program, "1033");
    setenv("MIRVANE_UI_LANGUAGE", "1036", 1);
    SelectResourceModule(program.Path().c_str());
    EXPECT_EQ(g_resourceModule, g_moduleHandle);
    EXPECT_EQ(LoadResString(2001), "bsfilter (Mirvane)");
}
