// Code page 932 helpers, string comparisons and time conversions of the platform seam; the
// same expectations hold on Windows (under Wine with code page 932) and on POSIX.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Mbcs.h"
#include "platform/platform.h"

TEST(PlatformText, LeadBytesOfCodePage932) {
    EXPECT_FALSE(PlatformIsLeadByte(0x5C));
    EXPECT_FALSE(PlatformIsLeadByte(0x80));
    EXPECT_TRUE(PlatformIsLeadByte(0x81));
    EXPECT_TRUE(PlatformIsLeadByte(0x9F));
    EXPECT_FALSE(PlatformIsLeadByte(0xA0));
    EXPECT_FALSE(PlatformIsLeadByte(0xDF));  // half-width katakana are single bytes
    EXPECT_TRUE(PlatformIsLeadByte(0xE0));
    EXPECT_TRUE(PlatformIsLeadByte(0xFC));
    EXPECT_FALSE(PlatformIsLeadByte(0xFD));
}

TEST(PlatformText, ReplaceCharLeavesTrailBytesAlone) {
    // "表\ソ\x": both characters end in the backslash code.
    EXPECT_EQ(Mbcs::ReplaceChar("\x95\x5C\\\x83\x5C\\x", '\\', '/'), "\x95\x5C/\x83\x5C/x");
    EXPECT_EQ(Mbcs::ReplaceChar("\\\\", '\\', '/'), "//");
    EXPECT_EQ(Mbcs::ReplaceChar("", '\\', '/'), "");
    // A lead byte at the end is a broken character of one byte, kept as it is.
    EXPECT_EQ(Mbcs::ReplaceChar("a\\\x95", '\\', '/'), "a/\x95");
}

TEST(PlatformText, ScansSplitsAndTrimsStepOverDoubleByteCharacters) {
    // "表" is 95 5C and "ソ" 83 5C: their trail bytes are the backslash code; "ポ" (83 7C) ends
    // in the code of "|", "ア" (83 41) in that of "A".
    const std::string path("a\\\x95\x5C\\b\x83\x5C", 8);
    EXPECT_EQ(1u, Mbcs::IndexOf(path, '\\'));
    EXPECT_EQ(4u, Mbcs::IndexOf(path, '\\', 2));
    EXPECT_EQ(4u, Mbcs::LastIndexOf(path, '\\'));
    EXPECT_EQ(std::string::npos, Mbcs::IndexOf(path, '\\', 5));
    EXPECT_EQ((std::vector<std::string>{"a", "\x95\x5C", "b\x83\x5C"}), Mbcs::Split(path, '\\'));
    EXPECT_EQ((std::vector<std::string>{"\x83\x7C", "", "x"}), Mbcs::Split("\x83\x7C||x", '|'));
    EXPECT_EQ((std::vector<std::string>{""}), Mbcs::Split("", '|'));
    // A stray lead byte before a tab: the tab still separates (no piece keeps a tab).
    EXPECT_EQ((std::vector<std::string>{"(\x94", "All"}), Mbcs::Split("(\x94\tAll", '\t'));
    // Trimming compares characters whole: the ideographic space (81 40) goes, while a trail
    // byte equal to "@" (0x40) is no blank.
    EXPECT_EQ("\x83\x40x", Mbcs::Trim("\x81\x40 \x83\x40x\t\x81\x40", " \t\x81\x40"));
    EXPECT_EQ("a b", Mbcs::Trim(" \r\na b\r\n"));
    EXPECT_EQ("", Mbcs::Trim(" \t "));
    // ASCII case: letters fold, trail bytes never.
    EXPECT_EQ("cs.helsinki.fi\x83\x41", Mbcs::ToLowerAscii("cs.Helsinki.FI\x83\x41"));
    EXPECT_TRUE(Mbcs::EqualsAsciiNoCase("Example.COM", "example.com"));
    EXPECT_FALSE(Mbcs::EqualsAsciiNoCase("\x83\x41", "\x83\x61"));
    EXPECT_FALSE(Mbcs::EqualsAsciiNoCase("example.com", "example.co"));
    EXPECT_TRUE(Mbcs::StartsWithAsciiNoCase("Content-Type: text", "content-type:"));
    EXPECT_FALSE(Mbcs::StartsWithAsciiNoCase("\x83\x41" "b", "\x83")) << "a prefix that cuts a character";
    EXPECT_FALSE(Mbcs::StartsWithAsciiNoCase("ab", "abc"));
    EXPECT_EQ(1u, Mbcs::CharLengthAt(std::string("\x95", 1), 0)) << "a lead byte at the end stands alone";
    EXPECT_EQ(2u, Mbcs::CharLengthAt(std::string("\x95\0", 2), 0)) << "counted text may hold a NUL";
}

TEST(PlatformText, AnsiToWideRejectsInvalidText) {
    std::wstring wide = L"old";
    ASSERT_TRUE(PlatformAnsiToWide("\x95\x5C\x83\x5C" "a\xB1", 6, &wide));  // "表ソaｱ"
    EXPECT_EQ(std::wstring(L"\x8868\x30BD" L"a\xFF71"), wide);
    ASSERT_TRUE(PlatformAnsiToWide("\\", 1, &wide));
    EXPECT_EQ(std::wstring(L"\\"), wide);  // 0x5C is the backslash, not the yen sign
    ASSERT_TRUE(PlatformAnsiToWide("", 0, &wide));
    EXPECT_TRUE(wide.empty());
    wide = L"old";
    EXPECT_FALSE(PlatformAnsiToWide("a\x81", 2, &wide));  // a lead byte without its trail byte
    EXPECT_TRUE(wide.empty());
}

TEST(PlatformText, AnsiAndUtf8RoundTrip) {
    const std::string ansi = "\x8E\xF3\x90\x4D\x94\xA0 \x83\x5C\\x";  // "受信箱 ソ\x"
    const std::string utf8 = PlatformAnsiToUtf8(ansi);
    EXPECT_EQ("\xE5\x8F\x97\xE4\xBF\xA1\xE7\xAE\xB1 \xE3\x82\xBD\\x", utf8);
    EXPECT_EQ(ansi, PlatformUtf8ToAnsi(utf8));
    EXPECT_EQ("plain", PlatformAnsiToUtf8("plain"));
    // A character that code page 932 lacks becomes '?' (Windows writes one per UTF-16 unit).
    const std::string replaced = PlatformUtf8ToAnsi("a\xF0\x9F\x98\x80" "b");
    EXPECT_TRUE(replaced == "a?b" || replaced == "a??b") << replaced;
}

TEST(PlatformText, LstrFunctionsCompareBytes) {
    EXPECT_EQ(0, lstrcmpA("2.00.06", "2.00.06"));
    EXPECT_LT(lstrcmpA("2.00.05", "2.00.06"), 0);
    EXPECT_GT(lstrcmpA("2.50", "2.00.06"), 0);
    EXPECT_GT(lstrcmpA("2.00.06.1", "2.00.06"), 0);
    EXPECT_EQ(0, lstrcmpiA("Mirvane", "MIRVANE"));
    EXPECT_LT(lstrcmpiA("apple", "Banana"), 0);
    EXPECT_NE(0, lstrcmpiA("\x83\x5C", "\x83\x5D"));
    EXPECT_EQ(5, lstrlenA("abcde"));
    EXPECT_EQ(0, lstrlenA(nullptr));
}

TEST(PlatformText, FileTimesConvertBothWays) {
    FILETIME epoch = {0, 0};
    SYSTEMTIME time;
    ASSERT_TRUE(FileTimeToSystemTime(&epoch, &time));
    EXPECT_EQ(1601, time.wYear);
    EXPECT_EQ(1, time.wMonth);
    EXPECT_EQ(1, time.wDay);
    EXPECT_EQ(1, time.wDayOfWeek);  // a Monday

    SYSTEMTIME unix = {1970, 1, 0, 1, 0, 0, 0, 0};
    FILETIME stamp;
    ASSERT_TRUE(SystemTimeToFileTime(&unix, &stamp));
    const unsigned long long ticks = (static_cast<unsigned long long>(stamp.dwHighDateTime) << 32) | stamp.dwLowDateTime;
    EXPECT_EQ(116444736000000000ull, ticks);

    SYSTEMTIME leap = {2024, 2, 0, 29, 23, 59, 59, 999};
    ASSERT_TRUE(SystemTimeToFileTime(&leap, &stamp));
    ASSERT_TRUE(FileTimeToSystemTime(&stamp, &time));
    EXPECT_EQ(2024, time.wYear);
    EXPECT_EQ(2, time.wMonth);
    EXPECT_EQ(29, time.wDay);
    EXPECT_EQ(4, time.wDayOfWeek);  // a Thursday
    EXPECT_EQ(999, time.wMilliseconds);

    // Local time and back is the identity.
    FILETIME local;
    FILETIME utc;
    ASSERT_TRUE(FileTimeToLocalFileTime(&stamp, &local));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    EXPECT_EQ(stamp.dwLowDateTime, utc.dwLowDateTime);
    EXPECT_EQ(stamp.dwHighDateTime, utc.dwHighDateTime);

    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_GE(now.wYear, 2024);
    // The tick count moves with real time. Under Wine it is read from a shared page the server refreshes
    // now and then, and a loaded machine may wake a sleeper late or the clock a little early, so the check
    // sleeps well past the refresh interval and asks only for half of the time slept.
    const DWORD start = GetTickCount();
    Sleep(200);
    EXPECT_GE(GetTickCount() - start, 100u);
}

TEST(PlatformText, CriticalSectionsAreReentrant) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);  // the holder takes it again without blocking
    EXPECT_TRUE(TryEnterCriticalSection(&section));
    LeaveCriticalSection(&section);
    LeaveCriticalSection(&section);
    LeaveCriticalSection(&section);
    DeleteCriticalSection(&section);
}
