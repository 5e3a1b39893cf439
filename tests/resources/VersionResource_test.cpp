// The version strings of the module that carries the plug-in's resources, read the way the
// plug-in reads them (VersionInfo: the first translation, then each key), on both builds.
#include <gtest/gtest.h>

#include <string>

#include "support/Util.h"

TEST(VersionResource, PluginInformationAndFileStrings) {
    const VersionInfo info(GetModuleHandleA(nullptr));
    EXPECT_EQ("Mirvane", info.ProductName());
    EXPECT_EQ("0.0.0.49", info.ProductVersion());
    EXPECT_EQ("Mirvane Project", info.CompanyName());
    // "bsfilter を Becky! から利用するためのプラグインです"
    EXPECT_EQ("bsfilter \x82\xF0 Becky! \x82\xA9\x82\xE7\x97\x98\x97p\x82\xB7\x82\xE9\x82\xBD\x82\xDF"
              "\x82\xCC\x83v\x83\x89\x83O\x83" "C\x83\x93\x82\xC5\x82\xB7",
              info.Comments());
    // "Mirvane(Becky! プラグイン)"
    EXPECT_EQ("Mirvane(Becky! \x83v\x83\x89\x83O\x83" "C\x83\x93)", info.Value("FileDescription"));
    EXPECT_EQ("0.0.0.49", info.Value("FileVersion"));
    EXPECT_EQ("Mirvane", info.Value("InternalName"));
    EXPECT_EQ("Mirvane.dll", info.Value("OriginalFilename"));
    EXPECT_EQ("", info.Value("LegalCopyright"));  // a key the block does not have
}
