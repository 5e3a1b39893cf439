// LockGuard: holds a critical section for a scope. The settings groups and the lists take a lock
// pointer that stays null until start-up attaches them to their lock (and the settings sheet's
// working copies have none), so a null lock means no locking.
#pragma once

#include "platform/platform.h"

class LockGuard {
public:
    explicit LockGuard(CRITICAL_SECTION* lock) : m_lock(lock) {
        if (m_lock != nullptr) EnterCriticalSection(m_lock);
    }
    ~LockGuard() {
        if (m_lock != nullptr) LeaveCriticalSection(m_lock);
    }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    CRITICAL_SECTION* m_lock;
};
