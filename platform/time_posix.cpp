// Time on the POSIX side: the clock, Sleep, and FILETIME (100-ns intervals since 1601-01-01
// UTC) against calendar time, computed directly so that the whole FILETIME range converts.
#include <errno.h>
#include <time.h>

#include "platform/posix/posix_internal.h"

namespace {

constexpr long long kTicksPerSecond = 10000000LL;
constexpr long long kTicksPerDay = kTicksPerSecond * 86400;
constexpr long long kSecondsFrom1601To1970 = 11644473600LL;

// Days since 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's algorithms).
long long DaysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

void CivilFromDays(long long days, long long* year, unsigned* month, unsigned* day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    *day = dayOfYear - (153 * mp + 2) / 5 + 1;
    *month = mp < 10 ? mp + 3 : mp - 9;
    *year = static_cast<long long>(yearOfEra) + era * 400 + (*month <= 2);
}

bool IsLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned DaysInMonth(unsigned year, unsigned month) {
    static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

unsigned long long Ticks(const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime & 0xFFFFFFFFul) << 32) |
           (time.dwLowDateTime & 0xFFFFFFFFul);
}

FILETIME FromTicks(unsigned long long ticks) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFull);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

void FillSystemTime(const struct tm& parts, long nanoseconds, LPSYSTEMTIME time) {
    time->wYear = static_cast<WORD>(parts.tm_year + 1900);
    time->wMonth = static_cast<WORD>(parts.tm_mon + 1);
    time->wDayOfWeek = static_cast<WORD>(parts.tm_wday);
    time->wDay = static_cast<WORD>(parts.tm_mday);
    time->wHour = static_cast<WORD>(parts.tm_hour);
    time->wMinute = static_cast<WORD>(parts.tm_min);
    time->wSecond = static_cast<WORD>(parts.tm_sec > 59 ? 59 : parts.tm_sec);
    time->wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
}

// The current time, split into calendar parts by split (gmtime_r or localtime_r).
void GetTimeNow(struct tm* (*split)(const time_t*, struct tm*), LPSYSTEMTIME time) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm parts;
    split(&now.tv_sec, &parts);
    FillSystemTime(parts, now.tv_nsec, time);
}

// Seconds east of UTC of the local time zone now (Win32 applies the current bias, too).
long long CurrentUtcOffset() {
    const time_t now = time(nullptr);
    struct tm parts;
    if (localtime_r(&now, &parts) == nullptr) return 0;
    return parts.tm_gmtoff;
}

}  // namespace

namespace posix {

FILETIME FileTimeFromUnix(long long seconds, long nanoseconds) {
    const long long ticks = (seconds + kSecondsFrom1601To1970) * kTicksPerSecond + nanoseconds / 100;
    return FromTicks(ticks < 0 ? 0 : static_cast<unsigned long long>(ticks));
}

void UnixFromFileTime(const FILETIME& time, long long* seconds, long* nanoseconds) {
    const unsigned long long ticks = Ticks(time);
    *seconds = static_cast<long long>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970;
    *nanoseconds = static_cast<long>(ticks % kTicksPerSecond) * 100;
}

}  // namespace posix

void GetSystemTime(LPSYSTEMTIME time) { GetTimeNow(gmtime_r, time); }

void GetLocalTime(LPSYSTEMTIME time) { GetTimeNow(localtime_r, time); }

DWORD GetTickCount() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const unsigned long long ms =
        static_cast<unsigned long long>(now.tv_sec) * 1000ull + static_cast<unsigned long long>(now.tv_nsec / 1000000);
    return static_cast<DWORD>(ms & 0xFFFFFFFFull);  // wraps after 49.7 days, as on Windows
}

void Sleep(DWORD milliseconds) {
    posix::CancellationPoint cancellable;
    if (milliseconds == INFINITE) {
        for (;;) {
            struct timespec day = {86400, 0};
            nanosleep(&day, nullptr);
        }
    }
    struct timespec remaining;
    remaining.tv_sec = static_cast<time_t>(milliseconds / 1000);
    remaining.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime) {
    if (fileTime == nullptr || systemTime == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const unsigned long long ticks = Ticks(*fileTime);
    if (ticks > 0x7FFFFFFFFFFFFFFFull) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const long long days = static_cast<long long>(ticks / kTicksPerDay);
    unsigned long long rest = ticks % kTicksPerDay;
    long long year;
    unsigned month;
    unsigned day;
    CivilFromDays(days - 134774, &year, &month, &day);  // 134774 days from 1601 to 1970
    systemTime->wYear = static_cast<WORD>(year);
    systemTime->wMonth = static_cast<WORD>(month);
    systemTime->wDay = static_cast<WORD>(day);
    systemTime->wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
    systemTime->wHour = static_cast<WORD>(rest / (kTicksPerSecond * 3600));
    rest %= kTicksPerSecond * 3600;
    systemTime->wMinute = static_cast<WORD>(rest / (kTicksPerSecond * 60));
    rest %= kTicksPerSecond * 60;
    systemTime->wSecond = static_cast<WORD>(rest / kTicksPerSecond);
    rest %= kTicksPerSecond;
    systemTime->wMilliseconds = static_cast<WORD>(rest / 10000);
    return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime) {
    if (systemTime == nullptr || fileTime == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const SYSTEMTIME& t = *systemTime;
    if (t.wYear < 1601 || t.wYear > 30827 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 ||
        t.wDay > DaysInMonth(t.wYear, t.wMonth) || t.wHour > 23 || t.wMinute > 59 || t.wSecond > 59 ||
        t.wMilliseconds > 999) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const long long days = DaysFromCivil(t.wYear, t.wMonth, t.wDay) + 134774;
    const unsigned long long ticks = static_cast<unsigned long long>(days) * kTicksPerDay +
                                     (t.wHour * 3600ull + t.wMinute * 60ull + t.wSecond) * kTicksPerSecond +
                                     t.wMilliseconds * 10000ull;
    *fileTime = FromTicks(ticks);
    return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime) {
    if (fileTime == nullptr || localFileTime == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *localFileTime = FromTicks(Ticks(*fileTime) + CurrentUtcOffset() * kTicksPerSecond);
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime) {
    if (fileTime == nullptr || localFileTime == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *fileTime = FromTicks(Ticks(*localFileTime) - CurrentUtcOffset() * kTicksPerSecond);
    return TRUE;
}
