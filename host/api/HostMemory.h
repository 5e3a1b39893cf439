// The host's allocator (BKA_Alloc, BKA_ReAlloc, BKA_Free and every text the host hands over).
// It keeps a record of each block, so that the report at exit can name the blocks the plug-in
// never released and the frees of pointers that were not (or no longer) the host's. Freed
// blocks rest in a quarantine for a while instead of going back to the C library at once, so
// that a second free of the same pointer is recognised as such and cannot corrupt the heap; a
// guard area after each block catches writes past its end.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class HostMemory {
public:
    struct Fault {
        std::string kind;    // "double free", "foreign pointer", "overrun"
        std::string caller;  // the host function that met it ("Free", "ReAlloc", host)
        std::string origin;  // for known blocks: the function that handed the block out
    };
    struct Leak {
        std::string origin;
        std::string note;
        size_t size;
    };

    ~HostMemory();

    // A new block of size bytes (zeroed), recorded with the function that hands it out and a
    // note (a message id, say). Null for a negative size or when memory is exhausted.
    void* Alloc(long long size, const char* origin, const std::string& note = std::string());
    // realloc rules: null memory allocates, size 0 frees and gives null. A pointer that is not
    // a live block is a fault: null comes back and the pointer is left alone.
    void* ReAlloc(void* memory, long long size, const char* caller);
    // Releases a live block; a pointer that is not one is recorded as a fault and left alone.
    // Null is ignored (as free does). False for a fault.
    bool Free(void* memory, const char* caller);
    bool Owns(const void* memory) const;

    size_t Allocations() const { return m_allocations; }
    size_t Frees() const { return m_frees; }
    std::vector<Leak> Leaks() const;
    std::vector<Fault> Faults() const;

private:
    struct Block {
        size_t size;
        std::string origin;
        std::string note;
    };
    bool CheckGuard(void* memory, const Block& block);
    void Quarantine(void* memory, const Block& block);

    mutable std::mutex m_lock;
    std::map<void*, Block> m_live;
    std::map<void*, Block> m_freed;  // in quarantine
    std::deque<void*> m_quarantine;
    std::vector<Fault> m_faults;
    size_t m_allocations = 0;
    size_t m_frees = 0;
};
