// Helpers of the list tests: a fake of the host's header decoder, and a check that an operation
// waits for a list's lock.
#pragma once

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "platform/platform.h"
#include "plugin/HostApi.h"

namespace listtest {

// The host's header decoder, faked: a text that starts with "=?" decodes to the rest of it
// up to "?=" (so "=?Taro?=" gives "Taro", and an empty pair gives ""); "=?null?=" makes the decoder
// return no string, "=?long?=" gives 50 letters; anything else comes back unchanged. Counts the strings handed out and
// released.
struct FakeHostDecoder {
    static int& Outstanding() {
        static int count = 0;
        return count;
    }
    static LPSTR WINAPI MimeHeader(LPCSTR in, LPSTR charset, int size, BOOL encode) {
        if (in == nullptr || charset == nullptr || size != 128 || encode) return nullptr;
        std::string out = in;
        if (out.compare(0, 2, "=?") == 0) {
            const size_t end = out.find("?=", 2);
            out = out.substr(2, end == std::string::npos ? std::string::npos : end - 2);
            if (out == "null") return nullptr;
            if (out == "long") out = std::string(50, 'L');
        }
        char* result = static_cast<char*>(std::malloc(out.size() + 1));
        std::memcpy(result, out.c_str(), out.size() + 1);
        ++Outstanding();
        return result;
    }
    static void WINAPI Free(LPVOID memory) {
        if (memory != nullptr) --Outstanding();
        std::free(memory);
    }
};

// Installs the fake decoder for the lifetime of the object; the table's previous entries come
// back afterwards.
class ScopedFakeDecoder {
public:
    ScopedFakeDecoder() : m_mimeHeader(g_hostApi.MIMEHeader), m_free(g_hostApi.Free) {
        g_hostApi.MIMEHeader = &FakeHostDecoder::MimeHeader;
        g_hostApi.Free = &FakeHostDecoder::Free;
        FakeHostDecoder::Outstanding() = 0;
    }
    ~ScopedFakeDecoder() {
        g_hostApi.MIMEHeader = m_mimeHeader;
        g_hostApi.Free = m_free;
    }

private:
    PFN_BKA_MIMEHeader m_mimeHeader;
    PFN_BKA_Free m_free;
};

namespace detail {
inline DWORD WINAPI RunFunction(LPVOID parameter) {
    (*static_cast<std::function<void()>*>(parameter))();
    return 0;
}
}  // namespace detail

// Whether operation waits for lock: it runs on another thread while this one holds the lock,
// must still be running after a while, and must finish once the lock is released.
inline bool WaitsForLock(CRITICAL_SECTION* lock, std::function<void()> operation) {
    EnterCriticalSection(lock);
    HANDLE thread = CreateThread(nullptr, 0, &detail::RunFunction, &operation, 0, nullptr);
    if (thread == nullptr) {
        LeaveCriticalSection(lock);
        return false;
    }
    const bool blocked = WaitForSingleObject(thread, 100) == WAIT_TIMEOUT;
    LeaveCriticalSection(lock);
    const bool finished = WaitForSingleObject(thread, INFINITE) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return blocked && finished;
}

// A critical section for the lifetime of the object.
class ScopedCriticalSection {
public:
    ScopedCriticalSection() { InitializeCriticalSection(&m_section); }
    ~ScopedCriticalSection() { DeleteCriticalSection(&m_section); }
    ScopedCriticalSection(const ScopedCriticalSection&) = delete;
    ScopedCriticalSection& operator=(const ScopedCriticalSection&) = delete;
    CRITICAL_SECTION* Get() { return &m_section; }

private:
    CRITICAL_SECTION m_section;
};

}  // namespace listtest
