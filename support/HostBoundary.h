// The boundary to the host: every call the host makes into the plug-in (the exported events
// and the menu commands) runs its body through GuardHostCall, so that no C++ exception ever
// unwinds into the mail client, which is not C++ and would end the process. An allocation
// that fails (std::bad_alloc, in a 32-bit host with fragmented memory) or any other exception
// ends that one call with its "nothing done" answer and an ERROR entry in the log.
#pragma once

#include <exception>
#include <new>

// Logs an exception that stopped a host call: what (null: not a std::exception) at ERROR with
// the function's name. Never throws.
void LogHostCallException(const char* function, const char* what) noexcept;

template <typename Result, typename Body>
Result GuardHostCall(const char* function, Result failed, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        LogHostCallException(function, "out of memory");
    } catch (const std::exception& exception) {
        LogHostCallException(function, exception.what());
    } catch (...) {
        LogHostCallException(function, nullptr);
    }
    return failed;
}

// The same for a body without a result.
template <typename Body>
void GuardHostCall(const char* function, Body&& body) noexcept {
    GuardHostCall(function, 0, [&] {
        body();
        return 0;
    });
}
