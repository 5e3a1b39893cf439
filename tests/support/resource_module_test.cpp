// The language resource library: texts come from it first and from the plug-in's own string
// table for every id it lacks; without a library for the user's language all texts are the
// plug-in's own.
#include <gtest/gtest.h>

#include <string>

#include "support/ResourceModuleTest.h"

using testing_files::MakeFolders;
using testing_files::TempDir;

TEST_F(ResourceModuleTest, LanguageLibraryFirstThenThePlugInsOwnTable) {
    TempDir program;
    const std::string language = std::to_string(GetUserDefaultUILanguage());
    ASSERT_TRUE(MakeFolders(program.File(language)));
    const std::string library = program.File(language + "\\Resource.dll");
    ASSERT_TRUE(CopyFileA(TestLanguageLibrary().c_str(), library.c_str(), FALSE));

    const std::string own2002 = LoadResString(2002);
    ASSERT_FALSE(own2002.empty());

    SelectResourceModule(program.Path().c_str());
    ASSERT_NE(g_resourceModule, g_moduleHandle);
    EXPECT_EQ(LoadResString(2001), "bsfilter (Mirvane, test language)");
    EXPECT_EQ(LoadResString(2239, 3, 10), "processing 3 of 10...");
    // Texts the library lacks come from the plug-in itself.
    EXPECT_EQ(LoadResString(2002), own2002);
    EXPECT_EQ(LoadResString(2240), "\x8C\xE3\x8F\x88\x97\x9D\x92\x86...");  // 後処理中...
    // Ids neither has stay empty.
    EXPECT_EQ(LoadResString(2100, 1), "");
}

TEST_F(ResourceModuleTest, WithoutALibraryForTheLanguageEveryTextIsThePlugInsOwn) {
    TempDir program;  // no <language>\Resource.dll below it
    SelectResourceModule(program.Path().c_str());
    EXPECT_EQ(g_resourceModule, g_moduleHandle);
    EXPECT_EQ(LoadResString(2001), "bsfilter (Mirvane)");
    EXPECT_EQ(LoadResString(2239, 3, 10), "3 / 10 \x82\xF0\x8F\x88\x97\x9D\x92\x86...");
}
