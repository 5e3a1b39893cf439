// The plug-in shell: host version check, binding of the host functions, plug-in information.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "plugin/DllMain.h"
#include "plugin/HostApi.h"

TEST(CheckHostVersion, MajorAndMinorCompareAsNumbers) {
    EXPECT_TRUE(CheckHostVersion("2.50"));
    EXPECT_TRUE(CheckHostVersion("2.50.00"));
    EXPECT_TRUE(CheckHostVersion("2.51"));
    EXPECT_TRUE(CheckHostVersion("3.0"));
    EXPECT_TRUE(CheckHostVersion("10.0"));
    EXPECT_TRUE(CheckHostVersion("3"));
    EXPECT_TRUE(CheckHostVersion(" 2.50"));
    EXPECT_TRUE(CheckHostVersion("+3"));
    EXPECT_FALSE(CheckHostVersion("2.49.99"));
    EXPECT_FALSE(CheckHostVersion("2.49"));
    EXPECT_FALSE(CheckHostVersion("2.5"));
    EXPECT_FALSE(CheckHostVersion("2"));
    EXPECT_FALSE(CheckHostVersion(""));
    EXPECT_FALSE(CheckHostVersion("garbage"));
    EXPECT_FALSE(CheckHostVersion("-3.99"));
    EXPECT_FALSE(CheckHostVersion(".50"));
    EXPECT_FALSE(CheckHostVersion(nullptr));
    EXPECT_TRUE(CheckHostVersion("2.50beta"));
}

namespace {

// A fake host: every name resolves to a distinct dummy address except those in g_missing;
// BKA_GetVersion answers g_version.
std::set<std::string> g_missing;
const char* g_version = "2.50";

LPCSTR WINAPI FakeGetVersion() { return g_version; }

FARPROC FakeResolve(HMODULE, const char* symbol) {
    if (g_missing.count(symbol) > 0) return nullptr;
    if (std::strcmp(symbol, "BKA_GetVersion") == 0) {
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeGetVersion));
    }
    static char dummies[128];
    return reinterpret_cast<FARPROC>(&dummies[std::strlen(symbol) % 128]);
}

HMODULE FakeModule() { return reinterpret_cast<HMODULE>(0x1000); }

struct HostApiTest : ::testing::Test {
    void SetUp() override {
        g_missing.clear();
        g_version = "2.50";
    }
    HostApi api = {};
};

}  // namespace

TEST(HostApiNames, TableHasEveryNameOnce) {
    ASSERT_EQ(kHostApiNameCount, 59u);
    std::set<std::string> names(kHostApiNames, kHostApiNames + kHostApiNameCount);
    EXPECT_EQ(names.size(), 59u);
    EXPECT_STREQ(kHostApiNames[0], "GetVersion");
    EXPECT_STREQ(kHostApiNames[58], "ProcessMail");
}

TEST_F(HostApiTest, ResolvesEveryFunction) {
    ASSERT_TRUE(api.LoadFrom(FakeModule(), FakeResolve));
    EXPECT_EQ(api.module, FakeModule());
    EXPECT_EQ(api.GetVersion, &FakeGetVersion);
    EXPECT_NE(api.ProcessMail, nullptr);
    EXPECT_NE(api.MIMEHeader, nullptr);
    // Loaded once: a second load answers at once.
    g_missing.insert("BKA_GetSource");
    EXPECT_TRUE(api.LoadFrom(FakeModule(), FakeResolve));
}

TEST_F(HostApiTest, MissingRequiredFunctionRefusesTheHost) {
    for (const char* name : {"BKA_GetVersion", "BKA_GetSource", "BKA_MIMEHeader", "BKA_SerializeRcpts",
                             "BKA_Connect"}) {
        g_missing = {name};
        HostApi fresh = {};
        EXPECT_FALSE(fresh.LoadFrom(FakeModule(), FakeResolve)) << name;
        EXPECT_EQ(fresh.module, nullptr) << name;
    }
    HostApi none = {};
    EXPECT_FALSE(none.LoadFrom(nullptr, FakeResolve));
}

TEST_F(HostApiTest, OptionalFunctionsMayBeMissing) {
    g_missing = {"BKA_MoveMessages", "BKA_GetSize", "BKA_NextUnread", "BKA_ProcessMail"};
    ASSERT_TRUE(api.LoadFrom(FakeModule(), FakeResolve));
    EXPECT_EQ(api.MoveMessages, nullptr);
    EXPECT_EQ(api.GetSize, nullptr);
    EXPECT_NE(api.SetStatus, nullptr);
}

TEST_F(HostApiTest, WithoutSetStatusOnlyVersionsBelow20006AreTaken) {
    g_missing = {"BKA_SetStatus"};
    g_version = "2.00.05";
    EXPECT_TRUE(HostApi{}.LoadFrom(FakeModule(), FakeResolve));
    g_version = "2.00.06";
    EXPECT_FALSE(HostApi{}.LoadFrom(FakeModule(), FakeResolve));
    g_version = "2.50";
    EXPECT_FALSE(HostApi{}.LoadFrom(FakeModule(), FakeResolve));
    g_version = "1.26.04X";  // longer than 7 characters
    EXPECT_FALSE(HostApi{}.LoadFrom(FakeModule(), FakeResolve));
}

TEST(PlugInInfo, FourFieldsFromTheVersionResourceAlwaysTerminated) {
    BKPLUGININFO info;
    std::memset(&info, 'x', sizeof(info));
    EXPECT_EQ(OnPlugInInfo(&info), 0);
    EXPECT_STREQ(info.szPlugInName, "Mirvane");
    EXPECT_STREQ(info.szVersion, "0.0.0.49");
    EXPECT_GT(std::strlen(info.szVendor), 0u);
    EXPECT_LT(std::strlen(info.szVendor), sizeof(info.szVendor));
    EXPECT_LT(std::strlen(info.szDescription), sizeof(info.szDescription));
    // "bsfilter を Becky! から利用するためのプラグインです" in CP932.
    EXPECT_STREQ(info.szDescription,
                 "bsfilter \x82\xf0 Becky! \x82\xa9\x82\xe7\x97\x98\x97\x70\x82\xb7\x82\xe9\x82\xbd\x82\xdf\x82\xcc"
                 "\x83\x76\x83\x89\x83\x4f\x83\x43\x83\x93\x82\xc5\x82\xb7");
    EXPECT_EQ(OnPlugInInfo(nullptr), 0);
}
