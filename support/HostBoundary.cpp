// The host boundary's log entry; see HostBoundary.h.
#include "support/HostBoundary.h"

#include "support/Log.h"

static const char kLogSource[] = "Mirvane\\DllMain";

void LogHostCallException(const char* function, const char* what) noexcept {
    try {
        LOG(LOG_ERROR, function, "stopped by an exception: [%s].", what != nullptr ? what : "unknown");
    } catch (...) {
        // The log is best effort; the host call still returns.
    }
}
