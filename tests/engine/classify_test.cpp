// The filter event called directly, with the stand-in as bsfilter: arguments a host should
// never pass, a missing, crashing or hanging bsfilter, odd and huge messages, the spam action's
// edge cases, and the two-call protocol of the read mark.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/BsfilterSetup.h"
#include "common/TestFiles.h"
#include "engine/Bsfilter.h"
#include "engine/Classify.h"
#include "engine/Mirvane.h"
#include "lists/WhiteList.h"
#include "lists/WordList.h"
#include "plugin/HostApi.h"
#include "settings/Profile.h"

using testing_bsfilter::BsfilterSetup;

namespace {

// The host's allocator: counted, and able to fail.
std::vector<void*> g_allocated;
bool g_allocFails = false;

LPVOID WINAPI CountingAlloc(int size) {
    if (g_allocFails) return nullptr;
    void* memory = std::malloc(static_cast<size_t>(size));
    g_allocated.push_back(memory);
    return memory;
}

char kUntouched[] = "untouched";

const char kSpam[] =
    "From: Promo <deals@cheap-pills.example>\r\nSubject: cheap viagra\r\n\r\nFree money casino bonus.\r\n";

class ClassifyTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedApi = g_hostApi;
        g_hostApi = HostApi();
        g_hostApi.Alloc = CountingAlloc;
        g_allocFails = false;
        g_action = 0;
        for (MirvoProfileBase* profile : {static_cast<MirvoProfileBase*>(&g_profile), static_cast<MirvoProfileBase*>(&g_ngWordProfile),
                                          static_cast<MirvoProfileBase*>(&g_okWordProfile)}) {
            profile->SetLock(nullptr);
            profile->Reset();
        }
        g_whiteList.Clear();
        g_ngWordList.Clear();
        g_okWordList.Clear();
        ASSERT_TRUE(setup.InstallStandinExe());
        setup.LogAt("DEBUG");
    }

    void TearDown() override {
        for (void* memory : g_allocated) std::free(memory);
        g_allocated.clear();
        g_hostApi = m_savedApi;
        g_action = 0;
        g_profile.Reset();
        g_ngWordProfile.Reset();
        g_okWordProfile.Reset();
        g_ngWordList.Clear();
    }

    // One call; action and param start as the host might leave them.
    int Filter(const char* message, const char* mailbox = "work.mb\\") {
        action = 42;
        param = kUntouched;
        return OnBeforeFilter2(message, mailbox, &action, &param);
    }

    void UseNgWord(const std::string& word) {
        g_ngWordProfile.SetEnabled(true);
        g_ngWordList.AddOrUpdate(word, 0, false, false);
    }

    size_t Count(const std::string& text) const {
        const std::string log = setup.LogText();
        size_t count = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
        return count;
    }

    BsfilterSetup setup;
    int action = 42;
    char* param = kUntouched;

private:
    HostApi m_savedApi;
};

}  // namespace

TEST_F(ClassifyTest, NullArgumentsAreRefusedWithoutTouchingAnything) {
    int value = 42;
    char* text = kUntouched;
    EXPECT_EQ(0, OnBeforeFilter2(kSpam, "work.mb\\", nullptr, &text));
    EXPECT_EQ(kUntouched, text);
    EXPECT_EQ(0, OnBeforeFilter2(kSpam, "work.mb\\", &value, nullptr));
    EXPECT_EQ(42, value);
    EXPECT_EQ(0, OnBeforeFilter2(nullptr, "work.mb\\", &value, &text));
    EXPECT_EQ(42, value);
    EXPECT_EQ(kUntouched, text);
    EXPECT_EQ(0, OnBeforeFilter2(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(4u, Count(" WARN: DllMain: "));
    EXPECT_EQ(2u, Count("BKC_OnBeforeFilter2(): lpnAction == 0."));
    EXPECT_EQ(1u, Count("BKC_OnBeforeFilter2(): lppParam == 0."));
    EXPECT_EQ(1u, Count("BKC_OnBeforeFilter2(): lpMessage == 0."));
    EXPECT_EQ(0u, Count("ExecBsfilter()"));
    EXPECT_TRUE(g_allocated.empty());

    // A null mailbox only matters for the same-relative-folder mapping: the folder is used as set.
    ASSERT_TRUE(setup.WriteConfig("standin exit 0\r\n"));
    g_profile.SetProcessSpamMail(kGoFolder);
    g_profile.SetSpamFolder("work.mb\\spam\\");
    g_profile.SetGoFolderSameRelativeFolderPath(true);
    EXPECT_EQ(2, Filter(kSpam, nullptr));
    EXPECT_EQ(0, action);
    EXPECT_STREQ("work.mb\\spam\\", param);
}

TEST_F(ClassifyTest, WithoutBsfilterNothingIsDecidedButAPendingActionIsCompleted) {
    ASSERT_TRUE(DeleteFileA(g_bsfilterExe));
    EXPECT_EQ(0, Filter(kSpam));
    EXPECT_EQ(42, action);
    EXPECT_EQ(kUntouched, param);
    EXPECT_EQ(1u, Count("WARN: DllMain: "));
    EXPECT_EQ(1u, Count("BKC_OnBeforeFilter2(): bsfilter Unavailable."));
    EXPECT_EQ(0u, Count("before: g_action"));

    // bsfilter judged spam and the read mark went out; then bsfilter disappears before the
    // host calls again. The second call still carries out the spam action, which needs no
    // bsfilter, so that it cannot fall on the next message instead.
    ASSERT_TRUE(setup.InstallStandinExe());
    ASSERT_TRUE(setup.WriteConfig("standin exit 0\r\n"));
    g_profile.SetSetReadToSpamMail(true);
    EXPECT_EQ(3, Filter(kSpam));
    EXPECT_EQ(2, action);
    EXPECT_STREQ("R", param);
    EXPECT_EQ(1, g_action);
    ASSERT_TRUE(DeleteFileA(g_bsfilterExe));
    EXPECT_EQ(2, Filter(kSpam));
    EXPECT_EQ(0, action);
    EXPECT_STREQ("\\!Trash\\", param);
    EXPECT_EQ(0, g_action);
    EXPECT_EQ(0, Filter("From: friend@example.net\r\nSubject: hello\r\n\r\nhi\r\n"));
    EXPECT_EQ(42, action);
}

TEST_F(ClassifyTest, APendingActionIsDroppedWhenTheSecondCallCannotTakeIt) {
    ASSERT_TRUE(setup.WriteConfig("standin exit 0\r\n"));
    g_profile.SetSetReadToSpamMail(true);
    EXPECT_EQ(3, Filter(kSpam));
    EXPECT_EQ(1, g_action);
    // A host that calls again without its action slot cannot receive the pending action; it
    // must not be kept for whatever message comes next.
    char* text = kUntouched;
    EXPECT_EQ(0, OnBeforeFilter2(kSpam, "work.mb\\", nullptr, &text));
    EXPECT_EQ(0, g_action);
    ASSERT_TRUE(setup.WriteConfig("standin exit 1\r\n"));
    EXPECT_EQ(0, Filter("From: friend@example.net\r\nSubject: hello\r\n\r\nhi\r\n"));
    EXPECT_EQ(-1, action);
}

TEST_F(ClassifyTest, CrashingOrHangingBsfilterIsNoVerdictButNgWordsStillCount) {
    ASSERT_TRUE(setup.WriteConfig("standin crash\r\n"));
    EXPECT_EQ(0, Filter(kSpam));
    EXPECT_EQ(-1, action);
    EXPECT_EQ(kUntouched, param);
    EXPECT_EQ(1u, Count("BKC_OnBeforeFilter2(): ExecBsfilter(): rc: [-"));
    UseNgWord("viagra");
    EXPECT_EQ(2, Filter(kSpam));
    EXPECT_EQ(0, action);
    EXPECT_STREQ("\\!Trash\\", param);

    g_ngWordList.Clear();
    ASSERT_TRUE(setup.WriteConfig("standin hang\r\n"));
    SetBsfilterRunLimitForTesting(300);
    EXPECT_EQ(0, Filter(kSpam));
    EXPECT_EQ(-1, action);
    EXPECT_EQ(1u, Count("BKC_OnBeforeFilter2(): ExecBsfilter(): rc: [-1], Message-Id: [], From: [Promo "
                        "<deals@cheap-pills.example>], To: [], Subject: [cheap viagra]."));
    UseNgWord("cheap");
    EXPECT_EQ(2, Filter(kSpam));
    EXPECT_STREQ("\\!Trash\\", param);
    EXPECT_EQ(2u, Count("ExecBsfilter(): rc: [-1]"));
}

TEST_F(ClassifyTest, HugeMessagesAndNulBytesReachBsfilterAsCStrings) {
    // What bsfilter read is in the runner's DEBUG entry of its output: everything before the
    // end line, or before the first NUL byte.
    ASSERT_TRUE(setup.WriteConfig("standin input-digest\r\n"));
    std::string big = "From: a@b.example\r\nSubject: big\r\n\r\n";
    while (big.size() < 10u * 1024 * 1024) big += "0123456789 abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n";
    const std::string read = big.substr(0, big.size() - 2);
    big += ".\r\n";
    EXPECT_EQ(0, Filter(big.c_str()));
    EXPECT_EQ(-1, action);
    EXPECT_EQ(1u, Count("ExecBsfilter(): rc: [1], Message-Id: [], From: [a@b.example], To: [], Subject: [big]."));
    std::string digest = testing_bsfilter::StandinDigest(read);
    digest.pop_back();
    EXPECT_EQ(1u, Count(digest));

    const std::string input = "From: a@b.example\r\nSubject: nul\r\n\r\nbefore";
    const std::string withNul = input + std::string("\0after\r\n", 8);
    EXPECT_EQ(0, Filter(withNul.c_str()));
    digest = testing_bsfilter::StandinDigest(input);
    digest.pop_back();
    EXPECT_EQ(1u, Count(digest));
}

TEST_F(ClassifyTest, SpamActionsAndTheirEdgeCases) {
    char* text = kUntouched;
    int code = 42;
    // GoTrash (the default).
    EXPECT_EQ(2, MakeSpamAction(&text, "work.mb\\", &code));
    EXPECT_EQ(0, code);
    EXPECT_STREQ("\\!Trash\\", text);
    // NoMove, and a value no setting names.
    for (int value : {static_cast<int>(kNoMove), 7, -3}) {
        g_profile.SetProcessSpamMail(value);
        text = kUntouched;
        EXPECT_EQ(0, MakeSpamAction(&text, "work.mb\\", &code)) << value;
        EXPECT_EQ(-1, code) << value;
        EXPECT_EQ(kUntouched, text) << value;
    }
    // AddHeader: the name and body cut to 30 bytes; an empty one gives no action.
    g_profile.SetProcessSpamMail(kAddHeader);
    g_profile.SetSpamHeaderFieldName(std::string(40, 'n'));
    g_profile.SetSpamHeaderFieldBody("yes");
    EXPECT_EQ(1, MakeSpamAction(&text, "work.mb\\", &code));
    EXPECT_EQ(8, code);
    EXPECT_EQ("X-" + std::string(30, 'n') + ": yes", std::string(text));
    const size_t allocations = g_allocated.size();
    for (const auto& header : {std::make_pair("", "yes"), std::make_pair("spam-check", "")}) {
        g_profile.SetSpamHeaderFieldName(header.first);
        g_profile.SetSpamHeaderFieldBody(header.second);
        text = kUntouched;
        EXPECT_EQ(0, MakeSpamAction(&text, "work.mb\\", &code));
        EXPECT_EQ(-1, code);
        EXPECT_EQ(kUntouched, text);
    }
    EXPECT_EQ(allocations, g_allocated.size());

    // GoFolder, with and without the mapping into the receiving mailbox.
    g_profile.SetProcessSpamMail(kGoFolder);
    text = kUntouched;
    EXPECT_EQ(0, MakeSpamAction(&text, "work.mb\\", &code));
    EXPECT_EQ(-1, code);
    g_profile.SetSpamFolder("a\\b\\c\\");
    EXPECT_EQ(2, MakeSpamAction(&text, "m\\", &code));
    EXPECT_STREQ("a\\b\\c\\", text);
    g_profile.SetGoFolderSameRelativeFolderPath(true);
    struct Case {
        const char* folder;
        const char* mailbox;
        const char* expected;
    };
    const Case cases[] = {
        {"a\\b\\c\\", "m\\", "m\\b\\c\\"},
        {"a\\b\\c\\", "m", "m\\b\\c\\"},
        {"\\b\\c\\", "m\\", "\\b\\c\\"},  // starts with a backslash: unchanged
        {"folder", "m\\", "folder"},      // no backslash: unchanged
        // "表" (95 5C): its trail byte is no backslash, in the folder or at the mailbox's end.
        {"\x95\x5C\\spam\\", "m\\", "m\\spam\\"},
        {"a\\\x95\x5C\\", "\x95\x5C", "\x95\x5C\\\x95\x5C\\"},
    };
    for (const Case& c : cases) {
        g_profile.SetSpamFolder(c.folder);
        EXPECT_EQ(2, MakeSpamAction(&text, c.mailbox, &code)) << c.folder;
        EXPECT_EQ(0, code);
        EXPECT_STREQ(c.expected, text) << c.folder << " in " << c.mailbox;
    }

    // A host without memory for the parameter: nothing is written through.
    g_allocFails = true;
    for (int value : {static_cast<int>(kGoTrash), static_cast<int>(kGoFolder), static_cast<int>(kAddHeader)}) {
        g_profile.SetProcessSpamMail(value);
        g_profile.SetSpamHeaderFieldName("n");
        g_profile.SetSpamHeaderFieldBody("b");
        text = kUntouched;
        code = 42;
        EXPECT_EQ(0, MakeSpamAction(&text, "work.mb\\", &code)) << value;
        EXPECT_EQ(-1, code) << value;
        EXPECT_EQ(kUntouched, text) << value;
    }
}

TEST_F(ClassifyTest, TheReadMarkTakesTwoCallsAndAFailedAllocationNone) {
    ASSERT_TRUE(setup.WriteConfig("standin exit 0\r\n"));
    g_profile.SetSetReadToSpamMail(true);
    g_profile.SetProcessSpamMail(kNoMove);
    EXPECT_EQ(3, Filter(kSpam));
    EXPECT_EQ(2, action);
    EXPECT_STREQ("R", param);
    EXPECT_EQ(1, g_action);
    EXPECT_EQ(1u, Count("after: g_action: [1], *lpnAction: [2]."));
    // The second call answers the action without judging again.
    EXPECT_EQ(0, Filter(kSpam));
    EXPECT_EQ(-1, action);
    EXPECT_EQ(0, g_action);
    EXPECT_EQ(1u, Count("before: g_action: [1], *lpnAction: [42]."));
    EXPECT_EQ(1u, Count("ExecBsfilter(): rc: [0]"));

    g_allocFails = true;
    EXPECT_EQ(0, Filter(kSpam));
    EXPECT_EQ(-1, action);
    EXPECT_EQ(kUntouched, param);
    EXPECT_EQ(0, g_action);
}

TEST_F(ClassifyTest, AFoldedOrDifferentlyCasedSenderIsStillWhiteListed) {
    g_whiteList.AddOrUpdate("friend@example.com", "");
    g_whiteList.AddOrUpdate("cs.helsinki.fi", "");
    // The From field folded after the address: the line break is no part of the address.
    EXPECT_EQ(0, Filter("From: friend@example.com\r\n (Friend)\r\nSubject: cheap viagra\r\n\r\nFree money casino.\r\n"));
    EXPECT_EQ(-1, action);
    EXPECT_EQ(1u, Count("in white list (email or domain): email: [friend@example.com], From: [friend@example.com (Friend)]."));
    // The domain spelt with other capitals.
    EXPECT_EQ(0, Filter("From: Linus <torvalds@cs.Helsinki.FI>\r\nSubject: cheap viagra\r\n\r\nFree money casino.\r\n"));
    EXPECT_EQ(1u, Count("in white list (email or domain): email: [torvalds@cs.Helsinki.FI]"));
    EXPECT_EQ(0u, Count("ExecBsfilter(): rc:")) << "bsfilter never ran for a white-listed sender";
}
