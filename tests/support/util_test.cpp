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
