// Text, format, file and resource helpers.
#include <gtest/gtest.h>

#include "common/TestFiles.h"
#include "support/Util.h"

using testing_files::ReadBytes;
using testing_files::TempDir;

TEST(Trim, RemovesBlanksAndLineEndsAtBothEndsOnly) {
    EXPECT_EQ(Trim("  a b \t\r\n"), "a b");
    EXPECT_EQ(Trim(" \t\r\n \n"), "");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim(static_cast<const char*>(nullptr)), "");
    EXPECT_EQ(Trim("x"), "x");
}

TEST(Trim, ComparesDoubleByteCharactersWhole) {
    // A lead byte followed by a blank or a tab is one (broken) character: never cut in half.
    EXPECT_EQ(Trim("\x81\x20"), "\x81\x20");
    EXPECT_EQ(Trim("ab\x81\x09"), "ab\x81\x09");
    // The ideographic space goes with the input set; a character with the same trail byte
    // (0x83 0x40) does not, nor does a lone '@' (0x40).
    EXPECT_EQ(Trim("\x81\x40 abc\t\x81\x40", kInputBlanks), "abc");
    EXPECT_EQ(Trim("\x83\x40x\x83\x40", kInputBlanks), "\x83\x40x\x83\x40");
    EXPECT_EQ(Trim("@a@", kInputBlanks), "@a@");
    // Without the ideographic space in the set it stays.
    EXPECT_EQ(Trim("\x81\x40x"), "\x81\x40x");
}

TEST(ReplaceAll, NeverSearchesTheInsertedText) {
    std::string text = "a\nb\n";
    ReplaceAll(text, "\n", "\r\n");
    EXPECT_EQ(text, "a\r\nb\r\n");
    std::string same = "aaa";
    ReplaceAll(same, "a", "aa");
    EXPECT_EQ(same, "aaaaaa");
    std::string untouched = "abc";
    ReplaceAll(untouched, "", "x");
    EXPECT_EQ(untouched, "abc");
    std::string empty;
    ReplaceAll(empty, "a", "b");
    EXPECT_EQ(empty, "");
}

TEST(NormalizeLineEnds, EveryKindOfLineEndBecomesOneCrLf) {
    std::string text = "a\rb\nc\r\nd";
    NormalizeLineEnds(text);
    EXPECT_EQ(text, "a\r\nb\r\nc\r\nd");
    std::string mixed = "\r\n\n\r";
    NormalizeLineEnds(mixed);
    EXPECT_EQ(mixed, "\r\n\r\n\r\n");
}

TEST(Split, KeepsEmptyPieces) {
    EXPECT_EQ(Split("a\t\tc", '\t'), (std::vector<std::string>{"a", "", "c"}));
    EXPECT_EQ(Split("abc", '\t'), (std::vector<std::string>{"abc"}));
    EXPECT_EQ(Split("", '\t'), (std::vector<std::string>{""}));
    EXPECT_EQ(Split("\t", '\t'), (std::vector<std::string>{"", ""}));
}

TEST(BoolText, WritesTheWordsOfTheSettingsFiles) {
    EXPECT_STREQ(BoolText(true), "True");
    EXPECT_STREQ(BoolText(false), "False");
}

TEST(IsSubfolderPath, CountsRealBackslashesOnly) {
    EXPECT_TRUE(IsSubfolderPath("box\\inbox\\"));
    EXPECT_FALSE(IsSubfolderPath("box\\"));
    EXPECT_FALSE(IsSubfolderPath(""));
    // 0x95 0x5C is one character; its second byte is not a backslash.
    EXPECT_FALSE(IsSubfolderPath("\x95\x5C\\"));
    EXPECT_TRUE(IsSubfolderPath("\x95\x5C\\a\\"));
}

TEST(FormatTo, CutsAndAlwaysTerminates) {
    char buffer[8];
    EXPECT_EQ(FormatTo(buffer, sizeof(buffer), "%s", "0123456789"), 7u);
    EXPECT_STREQ(buffer, "0123456");
    EXPECT_EQ(FormatTo(buffer, sizeof(buffer), "%d", 42), 2u);
    EXPECT_STREQ(buffer, "42");
    EXPECT_EQ(FormatText(5, "%s", "abcdef"), "abcd");
    char small[4];
    CopyTo(small, sizeof(small), "abcdef");
    EXPECT_STREQ(small, "abc");
    CopyTo(small, sizeof(small), nullptr);
    EXPECT_STREQ(small, "");
}

TEST(WriteToFile, WritesEveryByteAndReportsFailure) {
    TempDir dir;
    const std::string path = dir.File("out.bin");
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::string data(300000, 'x');
    data[1] = '\0';
    EXPECT_TRUE(Util::WriteToFile(file, data.data(), static_cast<DWORD>(data.size())));
    EXPECT_TRUE(Util::WriteToFile(file, "", 0));
    CloseHandle(file);
    EXPECT_EQ(ReadBytes(path), data);

    // A handle open for reading only cannot be written.
    HANDLE readOnly = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(readOnly, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(Util::WriteToFile(readOnly, "abc", 3));
    CloseHandle(readOnly);
}

TEST(LoadResString, UnknownIdGivesEmptyTextEvenWithArguments) {
    EXPECT_EQ(LoadResString(1), "");
    EXPECT_EQ(LoadResString(2000, 5, "x"), "");
    EXPECT_EQ(LoadResString(2289), "");
}

TEST(CentredOrigin, CentresOnTheReferenceAndStaysInsideTheWorkArea) {
    const ScreenRect work = {0, 0, 1280, 994};  // a 1280 x 1024 screen less a 30-pixel task bar
    int x = 0;
    int y = 0;
    // Room enough: exactly centred.
    CentredOrigin({100, 100, 700, 500}, 200, 100, work, &x, &y);
    EXPECT_EQ(300, x);
    EXPECT_EQ(250, y);
    // The 588 x 649 sheet on a 640 x 480 owner at (20, 20): centred it would start at y = -64.
    CentredOrigin({20, 20, 660, 500}, 588, 649, work, &x, &y);
    EXPECT_EQ(46, x);
    EXPECT_EQ(0, y);
    // An owner off the left and top edges, and one over the right and bottom edges.
    CentredOrigin({-900, -700, -100, -100}, 300, 200, work, &x, &y);
    EXPECT_EQ(0, x);
    EXPECT_EQ(0, y);
    CentredOrigin({1000, 800, 1600, 1200}, 300, 200, work, &x, &y);
    EXPECT_EQ(980, x);
    EXPECT_EQ(794, y) << "the bottom edge stops at the task bar";
    // A window larger than the work area: its top-left corner, with the title bar, stays on it.
    CentredOrigin({0, 0, 1280, 1024}, 1500, 1200, work, &x, &y);
    EXPECT_EQ(0, x);
    EXPECT_EQ(0, y);
    // A work area that does not start at the origin (a second monitor, a task bar on the left).
    CentredOrigin({1300, 10, 1400, 60}, 400, 300, {1280, 40, 2560, 1064}, &x, &y);
    EXPECT_EQ(1280, x);
    EXPECT_EQ(40, y);
}
