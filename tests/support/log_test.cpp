// The diagnostic log: levels, line format, extra blocks, rotation and silent failure.
#include <gtest/gtest.h>

#include <string>

#include "common/TestFiles.h"
#include "support/Log.h"
#include "support/Util.h"

using testing_files::Exists;
using testing_files::ReadBytes;
using testing_files::TempDir;
using testing_files::WriteBytes;

namespace {

const char kLogSource[] = "Mirvane\\LogTest";

// A logger of its own writing into a temporary folder, so tests never touch g_logger's file.
class LogTest : public ::testing::Test {
protected:
    void Configure(const char* level) { logger.Configure(level, dir.Path().c_str(), LogPath().c_str()); }
    std::string LogPath() const { return dir.File("Mirvane.log"); }
    std::string Generation(int n) const { return dir.File("Mirvane." + std::to_string(n) + ".log"); }
    void Line(int level, const char* message, const char* source = "Mirvane\\DllMain", const char* extra = nullptr,
              size_t extraLength = 0) {
        logger.Write("Func()", extra, extraLength, level, source, 42, message);
    }

    TempDir dir;
    Logger logger;
};

// The log line without its time stamp ("yyyy/mm/dd-hh:mm:ss ").
std::string WithoutTime(const std::string& line) { return line.size() > 20 ? line.substr(20) : line; }

}  // namespace

TEST_F(LogTest, LineFormatCarriesLevelSourceLineAndFunction) {
    Configure("DEBUG");
    Line(LOG_INFO, "hello [x].");
    const std::string content = ReadBytes(LogPath());
    ASSERT_GE(content.size(), 20u);
    // 2026/12/08-19:10:54 INFO: DllMain: 42: Func(): hello [x].
    EXPECT_EQ(content[4], '/');
    EXPECT_EQ(content[7], '/');
    EXPECT_EQ(content[10], '-');
    EXPECT_EQ(content[13], ':');
    EXPECT_EQ(content[16], ':');
    EXPECT_EQ(content[19], ' ');
    EXPECT_EQ(WithoutTime(content), "INFO: DllMain: 42: Func(): hello [x].\r\n");
}

TEST_F(LogTest, SourceWithoutBackslashIsPrintedWholeAndTrailBytesAreNoSeparators) {
    Configure("DEBUG");
    Line(LOG_WARN, "a", "Plain");
    Line(LOG_WARN, "b", "dir\\\x95\x5Cname");  // 0x95 0x5C is one character
    const std::string content = ReadBytes(LogPath());
    EXPECT_NE(content.find("WARN: Plain: 42: Func(): a\r\n"), std::string::npos);
    EXPECT_NE(content.find("WARN: \x95\x5Cname: 42: Func(): b\r\n"), std::string::npos);
}

TEST_F(LogTest, ThresholdFromLevelNameAnyCase) {
    Configure("warn");
    for (int level = LOG_DEBUG; level <= LOG_FATAL; ++level) Line(level, "m");
    Line(-1, "m");
    Line(6, "m");
    const std::string content = ReadBytes(LogPath());
    EXPECT_EQ(content.find("DEBUG:"), std::string::npos);
    EXPECT_EQ(content.find("INFO:"), std::string::npos);
    EXPECT_NE(content.find("WARN:"), std::string::npos);
    EXPECT_NE(content.find("ERROR:"), std::string::npos);
    EXPECT_NE(content.find("USER:"), std::string::npos);
    EXPECT_NE(content.find("FATAL:"), std::string::npos);
    size_t lines = 0;
    for (char c : content) lines += c == '\n';
    EXPECT_EQ(lines, 4u);
}

TEST(LogLevelName, UnknownOrEmptyMeansError) {
    EXPECT_EQ(Logger::LevelFromName(nullptr), LOG_ERROR);
    EXPECT_EQ(Logger::LevelFromName(""), LOG_ERROR);
    EXPECT_EQ(Logger::LevelFromName("verbose"), LOG_ERROR);
    EXPECT_EQ(Logger::LevelFromName("Debug"), LOG_DEBUG);
    EXPECT_EQ(Logger::LevelFromName("INFO"), LOG_INFO);
    EXPECT_EQ(Logger::LevelFromName("user"), LOG_USER);
    EXPECT_EQ(Logger::LevelFromName("FaTaL"), LOG_FATAL);
}

TEST_F(LogTest, ExtraBlocksGetCrLfLineEnds) {
    Configure("DEBUG");
    Line(LOG_DEBUG, "one", "S", "a\nb", 3);
    Line(LOG_DEBUG, "two", "S", "x\r\n", 3);
    Line(LOG_DEBUG, "three", "S", "", 0);
    Line(LOG_DEBUG, "four", "S", "p\rq\0r", 5);
    const std::string content = ReadBytes(LogPath());
    EXPECT_NE(content.find("one\r\na\r\nb\r\n"), std::string::npos);
    EXPECT_NE(content.find("two\r\nx\r\n"), std::string::npos);
    EXPECT_EQ(content.find("x\r\n\r\n"), std::string::npos);
    EXPECT_NE(content.find("three\r\n"), std::string::npos);
    EXPECT_NE(content.find(std::string("four\r\np\r\nq\0r\r\n", 14)), std::string::npos);
}

TEST_F(LogTest, LongMessageIsCutAndLosesItsLineEnd) {
    Configure("DEBUG");
    const std::string message(10000, 'm');
    Line(LOG_ERROR, message.c_str());
    const std::string content = ReadBytes(LogPath());
    EXPECT_EQ(content.size(), 8191u);
    EXPECT_EQ(content.back(), 'm');
}

TEST_F(LogTest, RotatesOnlyAboveOneMebibyte) {
    Configure("DEBUG");
    ASSERT_TRUE(WriteBytes(LogPath(), std::string(1048576, 'a')));
    Line(LOG_ERROR, "not rotated");
    EXPECT_FALSE(Exists(Generation(1)));
    EXPECT_GT(ReadBytes(LogPath()).size(), 1048576u);

    ASSERT_TRUE(WriteBytes(Generation(1), "gen1"));
    ASSERT_TRUE(WriteBytes(Generation(2), "gen2"));
    ASSERT_TRUE(WriteBytes(Generation(3), "gen3"));
    Line(LOG_ERROR, "fresh");
    EXPECT_EQ(ReadBytes(Generation(1)).substr(0, 10), std::string(10, 'a'));
    EXPECT_EQ(ReadBytes(Generation(2)), "gen1");
    EXPECT_EQ(ReadBytes(Generation(3)), "gen2");
    EXPECT_EQ(WithoutTime(ReadBytes(LogPath())), "ERROR: DllMain: 42: Func(): fresh\r\n");
}

TEST_F(LogTest, RotationWithMissingGenerationsStillWrites) {
    Configure("DEBUG");
    ASSERT_TRUE(WriteBytes(LogPath(), std::string(1048577, 'b')));
    Line(LOG_ERROR, "after");
    EXPECT_TRUE(Exists(Generation(1)));
    EXPECT_FALSE(Exists(Generation(2)));
    EXPECT_EQ(WithoutTime(ReadBytes(LogPath())), "ERROR: DllMain: 42: Func(): after\r\n");
}

TEST_F(LogTest, LinesAreDroppedSilentlyWhenTheFileIsHeldOrThePathIsUnset) {
    Logger unconfigured;
    unconfigured.Write("F()", nullptr, 0, LOG_FATAL, "S", 1, "nowhere");  // empty path: nothing, no crash

    Configure("DEBUG");
    Line(LOG_ERROR, "first");
    HANDLE holder = CreateFileA(LogPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    Line(LOG_ERROR, "lost");
    CloseHandle(holder);
    Line(LOG_ERROR, "last");
    const std::string content = ReadBytes(LogPath());
    EXPECT_NE(content.find("first"), std::string::npos);
    EXPECT_EQ(content.find("lost"), std::string::npos);
    EXPECT_NE(content.find("last"), std::string::npos);
}

TEST_F(LogTest, FrontEndsFormatAndPassBlocks) {
    Configure("DEBUG");
    // The front-ends write through g_logger; point it at this test's folder for the test.
    g_logger.Configure("DEBUG", dir.Path().c_str(), LogPath().c_str());
    LOG(LOG_INFO, "Front()", "%s: [%d].", "value", 7);
    LOG_TEXT(LOG_DEBUG, "Front()", std::string("out\n"), "pOutput->length(): [%lu].", 4ul);
    LOG_DATA(LOG_DEBUG, "Front()", "ab", 2, "[%d]/[%d] byte(s) written.", 2, 2);
    g_logger.Configure("ERROR", "", "");
    const std::string content = ReadBytes(LogPath());
    EXPECT_NE(content.find("INFO: LogTest: "), std::string::npos);
    EXPECT_NE(content.find("Front(): value: [7].\r\n"), std::string::npos);
    EXPECT_NE(content.find("pOutput->length(): [4].\r\nout\r\n"), std::string::npos);
    EXPECT_NE(content.find("[2]/[2] byte(s) written.\r\nab\r\n"), std::string::npos);
}
