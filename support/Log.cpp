// The diagnostic log: level filter, line format, append and rotation; see Log.h.
#include "support/Log.h"

#include <cstdarg>
#include <cstring>
#include <vector>

#include "platform/Mbcs.h"
#include "support/Text.h"

Logger g_logger;

namespace {

const char* const kLevelNames[] = {"DEBUG", "INFO", "WARN", "ERROR", "USER", "FATAL"};
const unsigned long long kRotateSize = 1048576;  // rotate when the file is strictly larger
const int kGenerations = 3;

}  // namespace

Logger::Logger() : m_threshold(LOG_DEBUG) { InitializeCriticalSection(&m_lock); }

Logger::~Logger() { DeleteCriticalSection(&m_lock); }

int Logger::LevelFromName(const char* levelName) {
    if (levelName != nullptr) {
        for (int i = 0; i < 6; ++i) {
            if (lstrcmpiA(levelName, kLevelNames[i]) == 0) return i;
        }
    }
    return LOG_ERROR;
}

void Logger::Configure(const char* levelName, const char* folder, const char* filePath) {
    m_threshold = LevelFromName(levelName);
    m_folder = folder != nullptr ? folder : "";
    m_filePath = filePath != nullptr ? filePath : "";
}

void Logger::Rotate() {
    bool isRegular = false;
    unsigned long long size = 0;
    if (!PlatformStat(m_filePath.c_str(), &isRegular, &size) || !isRegular || size <= kRotateSize) return;
    for (int n = kGenerations; n >= 1; --n) {
        char source[kPathSize];
        char target[kPathSize];
        if (n == 1) {
            CopyTo(source, sizeof(source), m_filePath.c_str());
        } else {
            FormatTo(source, sizeof(source), "%s\\%s.%d.%s", m_folder.c_str(), "Mirvane", n - 1, "log");
        }
        FormatTo(target, sizeof(target), "%s\\%s.%d.%s", m_folder.c_str(), "Mirvane", n, "log");
        DeleteFileA(target);
        MoveFileA(source, target);
    }
}

void Logger::Write(const char* function, const char* extraText, size_t extraLength, int level,
                   const char* sourceFile, int line, const char* message) {
    if (level < m_threshold || level < LOG_DEBUG || level > LOG_FATAL) return;

    const char* file = sourceFile != nullptr ? sourceFile : "";
    const char* slash = Mbcs::FindLast(file, '\\');
    if (slash != nullptr) file = slash + 1;

    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[kTextSize];
    const size_t length = FormatTo(text, sizeof(text), "%04d/%02d/%02d-%02d:%02d:%02d %s: %s: %d: %s: %s\r\n",
                                   now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                                   kLevelNames[level], file, line, function != nullptr ? function : "",
                                   message != nullptr ? message : "");

    EnterCriticalSection(&m_lock);
    Rotate();
    HANDLE handle = CreateFileA(m_filePath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        if (SetFilePointer(handle, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER) {
            DWORD written = 0;
            WriteFile(handle, text, static_cast<DWORD>(length), &written, nullptr);
            if (extraText != nullptr && extraLength > 0) {
                std::string block(extraText, extraLength);
                NormalizeLineEnds(block);
                if (block.size() < 2 || block.compare(block.size() - 2, 2, "\r\n") != 0) block += "\r\n";
                WriteFile(handle, block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
            }
        }
        CloseHandle(handle);
    }
    LeaveCriticalSection(&m_lock);
}

namespace {

void WriteFormatted(const LogSite& site, const char* extra, size_t extraLength, const char* format, va_list args) {
    // Below the threshold a line costs only the level test.
    if (site.level < g_logger.Threshold()) return;
    char message[kTextSize];
    FormatToV(message, sizeof(message), format, args);
    g_logger.Write(site.function, extra, extraLength, site.level, site.sourceFile, site.line, message);
}

}  // namespace

void LogPrint(const LogSite& site, const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteFormatted(site, nullptr, 0, format, args);
    va_end(args);
}

void LogPrintText(const LogSite& site, const std::string& text, const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteFormatted(site, text.data(), text.size(), format, args);
    va_end(args);
}

void LogPrintData(const LogSite& site, const void* data, size_t length, const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteFormatted(site, static_cast<const char*>(data), length, format, args);
    va_end(args);
}
