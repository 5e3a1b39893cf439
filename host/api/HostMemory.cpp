// The host's tracked allocator; see HostMemory.h.
#include "host/api/HostMemory.h"

#include <cstdlib>
#include <cstring>

namespace {
const size_t kGuardSize = 16;
const unsigned char kGuardByte = 0xFD;
const size_t kQuarantineBlocks = 4096;
}  // namespace

HostMemory::~HostMemory() {
    for (auto& entry : m_freed) free(entry.first);
    // Live blocks at this point were leaked by the plug-in and reported already; the plug-in
    // is unloaded, so they go back too (a leak checker of the host program would otherwise
    // count the plug-in's leak as the host's).
    for (auto& entry : m_live) free(entry.first);
}

void* HostMemory::Alloc(long long size, const char* origin, const std::string& note) {
    if (size < 0 || static_cast<unsigned long long>(size) > 0x7FFFFFFFull) return nullptr;
    const size_t bytes = static_cast<size_t>(size);
    unsigned char* memory = static_cast<unsigned char*>(malloc(bytes + kGuardSize));
    if (memory == nullptr) return nullptr;
    memset(memory, 0, bytes);
    memset(memory + bytes, kGuardByte, kGuardSize);
    std::lock_guard<std::mutex> guard(m_lock);
    m_live[memory] = Block{bytes, origin, note};
    ++m_allocations;
    return memory;
}

bool HostMemory::CheckGuard(void* memory, const Block& block) {
    const unsigned char* guardArea = static_cast<unsigned char*>(memory) + block.size;
    for (size_t i = 0; i < kGuardSize; ++i) {
        if (guardArea[i] != kGuardByte) return false;
    }
    return true;
}

void HostMemory::Quarantine(void* memory, const Block& block) {
    m_freed[memory] = block;
    m_quarantine.push_back(memory);
    if (m_quarantine.size() > kQuarantineBlocks) {
        void* oldest = m_quarantine.front();
        m_quarantine.pop_front();
        m_freed.erase(oldest);
        free(oldest);
    }
}

bool HostMemory::Free(void* memory, const char* caller) {
    if (memory == nullptr) return true;
    std::lock_guard<std::mutex> guard(m_lock);
    auto live = m_live.find(memory);
    if (live == m_live.end()) {
        auto freed = m_freed.find(memory);
        if (freed != m_freed.end()) {
            m_faults.push_back(Fault{"double free", caller, freed->second.origin});
        } else {
            m_faults.push_back(Fault{"foreign pointer", caller, std::string()});
        }
        return false;
    }
    if (!CheckGuard(memory, live->second)) m_faults.push_back(Fault{"overrun", caller, live->second.origin});
    Quarantine(memory, live->second);
    m_live.erase(live);
    ++m_frees;
    return true;
}

void* HostMemory::ReAlloc(void* memory, long long size, const char* caller) {
    if (memory == nullptr) return Alloc(size, caller);
    Block old;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        auto live = m_live.find(memory);
        if (live == m_live.end()) {
            auto freed = m_freed.find(memory);
            m_faults.push_back(Fault{freed != m_freed.end() ? "double free" : "foreign pointer", caller,
                                     freed != m_freed.end() ? freed->second.origin : std::string()});
            return nullptr;
        }
        old = live->second;
    }
    if (size == 0) {
        Free(memory, caller);
        return nullptr;
    }
    void* fresh = Alloc(size, old.origin.c_str(), old.note);
    if (fresh == nullptr) return nullptr;  // the old block stays valid, as with realloc
    memcpy(fresh, memory, old.size < static_cast<size_t>(size) ? old.size : static_cast<size_t>(size));
    Free(memory, caller);
    return fresh;
}

bool HostMemory::Owns(const void* memory) const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_live.count(const_cast<void*>(memory)) != 0;
}

std::vector<HostMemory::Leak> HostMemory::Leaks() const {
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<Leak> leaks;
    for (const auto& entry : m_live) leaks.push_back(Leak{entry.second.origin, entry.second.note, entry.second.size});
    return leaks;
}

std::vector<HostMemory::Fault> HostMemory::Faults() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_faults;
}
