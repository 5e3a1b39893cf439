// The diagnostic log: one process-wide Logger (g_logger) that filters by level, stamps each
// line with local time, level, source file, line and function, appends it to Mirvane.log and
// rotates the file into Mirvane.1.log .. Mirvane.3.log once it grows past 1 MiB. Logging never
// fails towards its caller: a line that cannot be written is dropped.
#pragma once

#include <cstddef>
#include <string>

#include "platform/platform.h"
#include "support/Text.h"

enum LogLevel { LOG_DEBUG = 0, LOG_INFO = 1, LOG_WARN = 2, LOG_ERROR = 3, LOG_USER = 4, LOG_FATAL = 5 };

// Filled by each call site right before a log call; nothing of it is kept.
struct LogSite {
    int level;
    const char* sourceFile;  // e.g. "Mirvane\\DllMain"; only the part after the last backslash is printed
    int line;
    const char* function;    // e.g. "Initialize()"
};

class Logger {
public:
    Logger();
    ~Logger();
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    // Threshold from a level name (case-insensitive; anything else is ERROR), the folder of
    // the rotated generations and the current file. Takes no lock: called once at start-up.
    void Configure(const char* levelName, const char* folder, const char* filePath);

    // The single writer. extraText/extraLength: an optional block written after the line
    // with its line ends normalised to CR LF (null or empty: none).
    void Write(const char* function, const char* extraText, size_t extraLength, int level,
               const char* sourceFile, int line, const char* message);

    int Threshold() const { return m_threshold; }

    // Level number of a name, as Configure maps it.
    static int LevelFromName(const char* levelName);

private:
    void Rotate();

    int m_threshold;
    std::string m_filePath;
    std::string m_folder;
    CRITICAL_SECTION m_lock;
};

extern Logger g_logger;

// Front-ends: format the message with printf rules (at most 8191 characters, cut beyond) and
// hand it to g_logger.
void LogPrint(const LogSite& site, const char* format, ...) MV_PRINTF(2, 3);
void LogPrintText(const LogSite& site, const std::string& text, const char* format, ...) MV_PRINTF(3, 4);
void LogPrintData(const LogSite& site, const void* data, size_t length, const char* format, ...) MV_PRINTF(4, 5);

// Call-site helpers. A file sets its source name once:
//   static const char kLogSource[] = "Mirvane\\Mirvane";
// and logs with LOG(LOG_DEBUG, "Initialize()", "begin.").
#define LOG(level, function, ...) LogPrint(LogSite{(level), kLogSource, __LINE__, (function)}, __VA_ARGS__)
#define LOG_TEXT(level, function, text, ...) \
    LogPrintText(LogSite{(level), kLogSource, __LINE__, (function)}, (text), __VA_ARGS__)
#define LOG_DATA(level, function, data, length, ...) \
    LogPrintData(LogSite{(level), kLogSource, __LINE__, (function)}, (data), (length), __VA_ARGS__)
