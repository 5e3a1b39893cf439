// The INI profile functions: the reading and writing rules the settings rely on. They hold for
// Win32 itself (run under Wine) and for the POSIX stand-in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TestFiles.h"
#include "platform/platform.h"

using testing_files::Exists;
using testing_files::ReadBytes;
using testing_files::TempDir;
using testing_files::WriteBytes;

namespace {

std::string Get(const std::string& path, const char* section, const char* key, const char* defaultValue = "",
                DWORD size = 256, DWORD* result = nullptr) {
    std::vector<char> buffer(size + 1, '#');
    const DWORD n = GetPrivateProfileStringA(section, key, defaultValue, buffer.data(), size, path.c_str());
    if (result != nullptr) *result = n;
    return std::string(buffer.data(), n);
}

// A name list ("a\0b\0\0") as a vector.
std::vector<std::string> GetList(const std::string& path, const char* section, DWORD size = 256) {
    std::vector<char> buffer(size, '#');
    const DWORD n = GetPrivateProfileStringA(section, nullptr, "", buffer.data(), size, path.c_str());
    std::vector<std::string> names;
    for (DWORD i = 0; i < n;) {
        const std::string name(buffer.data() + i);
        names.push_back(name);
        i += static_cast<DWORD>(name.size()) + 1;
    }
    return names;
}

}  // namespace

TEST(PlatformIni, ReadingMatchesCaseInsensitivelyAndTakesTheFirst) {
    TempDir folder;
    const std::string ini = folder.File("a.ini");
    ASSERT_TRUE(WriteBytes(ini,
                               "; leading comment\r\n"
                               "[Mirvane]\r\n"
                               "SpamFolder = \\Inbox\\spam  \r\n"
                               "Quoted=\"  two words  \"\r\n"
                               "Single='x'\r\n"
                               "Unbalanced=\"abc\r\n"
                               "Empty=\r\n"
                               "Twice=first\r\n"
                               "twice=second\r\n"
                               "NoValue\r\n"
                               ";Commented=1\r\n"
                               "[mirvane]\r\n"
                               "Later=hidden\r\n"
                               "[Other]\r\n"
                               "SpamFolder=other\r\n"));
    EXPECT_EQ("\\Inbox\\spam", Get(ini, "MIRVANE", "spamfolder"));
    EXPECT_EQ("  two words  ", Get(ini, "Mirvane", "Quoted"));
    EXPECT_EQ("x", Get(ini, "Mirvane", "Single"));
    EXPECT_EQ("\"abc", Get(ini, "Mirvane", "Unbalanced"));
    EXPECT_EQ("", Get(ini, "Mirvane", "Empty", "default"));
    EXPECT_EQ("first", Get(ini, "Mirvane", "TWICE"));
    EXPECT_EQ("other", Get(ini, "Other", "SpamFolder"));
    // The second section of the same name is not consulted.
    EXPECT_EQ("dflt", Get(ini, "Mirvane", "Later", "dflt"));
    EXPECT_EQ("dflt", Get(ini, "Mirvane", "Commented", "dflt"));
    EXPECT_EQ("dflt", Get(ini, "Mirvane", "NoValue", "dflt"));
    // Defaults lose their trailing blanks; a null default is empty.
    EXPECT_EQ("  keep leading", Get(ini, "Mirvane", "Missing", "  keep leading  "));
    EXPECT_EQ("", Get(ini, "Mirvane", "Missing", nullptr));
    EXPECT_EQ("d", Get(ini, "NoSuchSection", "SpamFolder", "d"));
    EXPECT_EQ("d", Get(folder.File("missing.ini"), "Mirvane", "SpamFolder", "d"));
}

TEST(PlatformIni, ResultIsCutToTheBufferAndTerminated) {
    TempDir folder;
    const std::string ini = folder.File("a.ini");
    ASSERT_TRUE(WriteBytes(ini, "[S]\r\nKey=abcdef\r\n"));
    DWORD result = 0;
    EXPECT_EQ("abc", Get(ini, "S", "Key", "", 4, &result));
    EXPECT_EQ(3u, result);
    EXPECT_EQ("", Get(ini, "S", "Key", "", 1, &result));
    EXPECT_EQ(0u, result);
    EXPECT_EQ("abcdef", Get(ini, "S", "Key", "", 7, &result));
    EXPECT_EQ(6u, result);
    char buffer[8];
    std::fill(buffer, buffer + sizeof(buffer), '#');
    GetPrivateProfileStringA("S", "Key", "", buffer, 4, ini.c_str());
    EXPECT_EQ('\0', buffer[3]);
    EXPECT_EQ('#', buffer[4]);
    EXPECT_EQ("dflt", Get(ini, "S", "None", "dflt-long", 5, &result));
    EXPECT_EQ(4u, result);
}

TEST(PlatformIni, NullSectionOrKeyListsNames) {
    TempDir folder;
    const std::string ini = folder.File("a.ini");
    ASSERT_TRUE(WriteBytes(ini, "[One]\r\nA=1\r\n;c=3\r\nB=2\r\n[Two]\r\nC=3\r\n"));
    EXPECT_EQ((std::vector<std::string>{"One", "Two"}), GetList(ini, nullptr));
    EXPECT_EQ((std::vector<std::string>{"A", "B"}), GetList(ini, "one"));
    EXPECT_TRUE(GetList(ini, "Three").empty());
    // Too small: as many bytes as fit, ending in two NULs; the result is size - 2.
    char buffer[6];
    const DWORD n = GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof(buffer), ini.c_str());
    EXPECT_EQ(4u, n);
    EXPECT_STREQ("One", buffer);
    EXPECT_EQ('\0', buffer[4]);
    EXPECT_EQ('\0', buffer[5]);
}

TEST(PlatformIni, LineFeedOnlyFilesAndTheUnterminatedLastLine) {
    TempDir folder;
    const std::string ini = folder.File("lf.ini");
    ASSERT_TRUE(WriteBytes(ini, "[S]\nA=1\nB=two\n[T]\nC=3"));
    EXPECT_EQ("1", Get(ini, "S", "A"));
    EXPECT_EQ("two", Get(ini, "S", "B"));
    EXPECT_EQ("3", Get(ini, "T", "C"));
}

TEST(PlatformIni, IntegersParseLeadingDigitsSignsAndHex) {
    TempDir folder;
    const std::string ini = folder.File("n.ini");
    ASSERT_TRUE(WriteBytes(ini,
                               "[N]\r\nPlain=42\r\nNegative=-7\r\nHex=0x1F\r\nTrailing=12abc\r\nWord=abc\r\n"
                               "Empty=\r\nSpaced=  5  \r\n"));
    EXPECT_EQ(42u, GetPrivateProfileIntA("N", "Plain", 9, ini.c_str()));
    EXPECT_EQ(static_cast<UINT>(-7), GetPrivateProfileIntA("N", "Negative", 9, ini.c_str()));
    EXPECT_EQ(31u, GetPrivateProfileIntA("N", "Hex", 9, ini.c_str()));
    EXPECT_EQ(12u, GetPrivateProfileIntA("N", "Trailing", 9, ini.c_str()));
    EXPECT_EQ(0u, GetPrivateProfileIntA("N", "Word", 9, ini.c_str()));
    EXPECT_EQ(9u, GetPrivateProfileIntA("N", "Empty", 9, ini.c_str()));
    EXPECT_EQ(5u, GetPrivateProfileIntA("N", "Spaced", 9, ini.c_str()));
    EXPECT_EQ(9u, GetPrivateProfileIntA("N", "Missing", 9, ini.c_str()));
    EXPECT_EQ(static_cast<UINT>(-3), GetPrivateProfileIntA("N", "Missing", -3, folder.File("none.ini").c_str()));
}

TEST(PlatformIni, WritingKeepsEverythingElse) {
    TempDir folder;
    const std::string ini = folder.File("w.ini");
    ASSERT_TRUE(WriteBytes(ini,
                               "; settings\r\n"
                               "[Mirvane]\r\n"
                               "ProcessSpamMail=GoTrash\r\n"
                               "LogLevel=DEBUG\r\n"
                               "\r\n"
                               "[ContextMenu]\r\n"
                               "; where the menu goes\r\n"
                               "MenuPosition=3\r\n"));
    EXPECT_TRUE(WritePrivateProfileStringA("mirvane", "processspammail", "AddHeader", ini.c_str()));
    EXPECT_TRUE(WritePrivateProfileStringA("Mirvane", "SpamFolder", "\\Inbox\\spam", ini.c_str()));
    EXPECT_TRUE(WritePrivateProfileStringA("NgWord", "UseNgWord", "True", ini.c_str()));
    EXPECT_EQ("AddHeader", Get(ini, "Mirvane", "ProcessSpamMail"));
    EXPECT_EQ("\\Inbox\\spam", Get(ini, "Mirvane", "SpamFolder"));
    EXPECT_EQ("DEBUG", Get(ini, "Mirvane", "LogLevel"));
    EXPECT_EQ("3", Get(ini, "ContextMenu", "MenuPosition"));
    EXPECT_EQ("True", Get(ini, "NgWord", "UseNgWord"));
    const std::string content = ReadBytes(ini);
    EXPECT_NE(std::string::npos, content.find("; settings\r\n"));
    EXPECT_NE(std::string::npos, content.find("; where the menu goes\r\n"));

    // A null value deletes the key, a null key the section.
    EXPECT_TRUE(WritePrivateProfileStringA("Mirvane", "LogLevel", nullptr, ini.c_str()));
    EXPECT_EQ("gone", Get(ini, "Mirvane", "LogLevel", "gone"));
    EXPECT_EQ("AddHeader", Get(ini, "Mirvane", "ProcessSpamMail"));
    EXPECT_TRUE(WritePrivateProfileStringA("ContextMenu", nullptr, nullptr, ini.c_str()));
    EXPECT_EQ("gone", Get(ini, "ContextMenu", "MenuPosition", "gone"));
    EXPECT_EQ((std::vector<std::string>{"Mirvane", "NgWord"}), GetList(ini, nullptr));
}

TEST(PlatformIni, WritingCreatesTheFileButNotTheFolder) {
    TempDir folder;
    const std::string ini = folder.File("new.ini");
    EXPECT_TRUE(WritePrivateProfileStringA("WhiteListUISettings", "SortIsAscending", "True", ini.c_str()));
    EXPECT_EQ("True", Get(ini, "WhiteListUISettings", "SortIsAscending"));
    EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "V", folder.File("none\\x.ini").c_str()));
    EXPECT_FALSE(Exists(folder.File("none")));
    // Deleting from a file that is not there creates nothing.
    WritePrivateProfileStringA("S", "K", nullptr, folder.File("absent.ini").c_str());
    EXPECT_FALSE(Exists(folder.File("absent.ini")));
}

TEST(PlatformIni, GarbageAndLargeFilesAreReadWithoutHarm) {
    TempDir folder;
    const std::string garbage = folder.File("garbage.ini");
    std::string bytes;
    unsigned state = 12345;
    for (int i = 0; i < 200000; ++i) {
        state = state * 1103515245u + 12345u;
        bytes += static_cast<char>((state >> 16) & 0xFF);
    }
    ASSERT_TRUE(WriteBytes(garbage, bytes));
    EXPECT_EQ("d", Get(garbage, "Mirvane", "SpamFolder", "d"));
    GetList(garbage, nullptr, 64);
    EXPECT_TRUE(WritePrivateProfileStringA("Mirvane", "SpamFolder", "x", garbage.c_str()));
    EXPECT_EQ("x", Get(garbage, "Mirvane", "SpamFolder"));

    const std::string large = folder.File("large.ini");
    std::string content = "[Big]\r\n";
    for (int i = 0; i < 100000; ++i) content += "Key" + std::to_string(i) + "=value " + std::to_string(i) + "\r\n";
    content += "[Mirvane]\r\nLast=found\r\n";
    ASSERT_TRUE(WriteBytes(large, content));
    EXPECT_EQ("found", Get(large, "Mirvane", "Last"));
    EXPECT_EQ("value 99999", Get(large, "Big", "Key99999"));
}

TEST(PlatformIni, DoubleByteTextPassesThrough) {
    TempDir folder;
    const std::string ini = folder.File("j.ini");
    // "受信箱\ソ" : the second byte of "ソ" is the backslash code.
    const std::string value = "\x8E\xF3\x90\x4D\x94\xA0\\\x83\x5C";
    EXPECT_TRUE(WritePrivateProfileStringA("Mirvane", "SpamFolder", value.c_str(), ini.c_str()));
    EXPECT_EQ(value, Get(ini, "Mirvane", "SpamFolder"));
}
