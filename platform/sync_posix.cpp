// Synchronisation on the POSIX side: re-entrant critical sections (recursive mutexes), thread
// ids, and the cancellation points through which TerminateThread ends a thread that
// CreateThread started.
#include <pthread.h>

#include <atomic>

#include "platform/posix/posix_internal.h"

namespace posix {

namespace {
std::atomic<DWORD> g_nextThreadId{1};
}  // namespace

// Set for the threads that CreateThread starts (threads_posix.cpp): they run with
// cancellation disabled except inside the blocking calls marked by CancellationPoint.
thread_local bool t_terminableThread = false;
thread_local DWORD t_threadId = 0;

DWORD NewThreadId() { return g_nextThreadId.fetch_add(1); }

CancellationPoint::CancellationPoint() : m_enabled(false), m_previous(PTHREAD_CANCEL_DISABLE) {
    if (t_terminableThread) m_enabled = pthread_setcancelstate(PTHREAD_CANCEL_ENABLE, &m_previous) == 0;
}

CancellationPoint::~CancellationPoint() {
    if (m_enabled) pthread_setcancelstate(m_previous, nullptr);
}

}  // namespace posix

DWORD GetCurrentThreadId() {
    if (posix::t_threadId == 0) posix::t_threadId = posix::NewThreadId();
    return posix::t_threadId;
}

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    auto* mutex = new pthread_mutex_t;
    pthread_mutex_init(mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    section->impl = mutex;
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
    auto* mutex = static_cast<pthread_mutex_t*>(section->impl);
    if (mutex == nullptr) return;
    pthread_mutex_destroy(mutex);
    delete mutex;
    section->impl = nullptr;
}

void EnterCriticalSection(LPCRITICAL_SECTION section) {
    pthread_mutex_lock(static_cast<pthread_mutex_t*>(section->impl));
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
    pthread_mutex_unlock(static_cast<pthread_mutex_t*>(section->impl));
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) {
    return pthread_mutex_trylock(static_cast<pthread_mutex_t*>(section->impl)) == 0 ? TRUE : FALSE;
}
