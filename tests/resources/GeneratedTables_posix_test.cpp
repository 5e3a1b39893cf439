// The tables tools/rc2cpp.py generates from resources/Mirvane.rc for the POSIX build: the
// platform layer finds them by name in a module, so they must be exported under their C names,
// the string table sorted for its lookups, and the version data complete.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <string>

#include "platform/posix/resource_tables.h"

extern "C" {
extern const PlatformStringEntry PlatformStringTable[];
extern const unsigned PlatformStringTableSize;
extern const PlatformVersionEntry PlatformVersionResource[];
extern const unsigned PlatformVersionLanguage;
extern const unsigned PlatformVersionCodePage;
extern const unsigned PlatformFileVersion[4];
}

TEST(GeneratedTables, StringTableIsSortedByIdWithNonEmptyTexts) {
    ASSERT_EQ(174u, PlatformStringTableSize);
    EXPECT_EQ(2001u, PlatformStringTable[0].id);
    EXPECT_EQ(2288u, PlatformStringTable[PlatformStringTableSize - 1].id);
    for (unsigned i = 0; i < PlatformStringTableSize; ++i) {
        ASSERT_NE(nullptr, PlatformStringTable[i].text) << i;
        EXPECT_NE('\0', PlatformStringTable[i].text[0]) << PlatformStringTable[i].id;
        if (i > 0) {
            EXPECT_LT(PlatformStringTable[i - 1].id, PlatformStringTable[i].id) << i;
        }
    }
}

TEST(GeneratedTables, VersionDataOfTheJapaneseUnicodeBlock) {
    EXPECT_EQ(0x0411u, PlatformVersionLanguage);
    EXPECT_EQ(1200u, PlatformVersionCodePage);
    const unsigned expected[4] = {0, 0, 0, 49};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(expected[i], PlatformFileVersion[i]) << i;
    std::string keys;
    const PlatformVersionEntry* entry = PlatformVersionResource;
    for (; entry->key != nullptr; ++entry) {
        ASSERT_NE(nullptr, entry->value) << entry->key;
        keys += std::string(entry->key) + ";";
    }
    EXPECT_EQ(nullptr, entry->value);
    EXPECT_EQ("CompanyName;FileDescription;FileVersion;InternalName;OriginalFilename;ProductName;"
              "ProductVersion;Comments;",
              keys);
}

TEST(GeneratedTables, ExportedUnderTheirCNames) {
    void* self = dlopen(nullptr, RTLD_NOW);
    ASSERT_NE(nullptr, self);
    const struct {
        const char* name;
        const void* address;
    } symbols[] = {
        {"PlatformStringTable", PlatformStringTable},
        {"PlatformStringTableSize", &PlatformStringTableSize},
        {"PlatformVersionResource", PlatformVersionResource},
        {"PlatformVersionLanguage", &PlatformVersionLanguage},
        {"PlatformVersionCodePage", &PlatformVersionCodePage},
        {"PlatformFileVersion", PlatformFileVersion},
    };
    for (const auto& symbol : symbols) {
        EXPECT_EQ(symbol.address, dlsym(self, symbol.name)) << symbol.name;
    }
    dlclose(self);
}
