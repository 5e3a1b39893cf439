// Threads and events on the POSIX side.
//
// CreateThread starts a pthread at once; its exit code is the start routine's return value.
// Such a thread runs with cancellation disabled except inside the blocking calls that the
// layer marks as cancellation points (ReadFile and WriteFile on pipes and consoles, Sleep):
// TerminateThread cancels it, and it ends at the next such call, a write blocked on a full
// pipe included. Ending there unwinds the thread's stack (destructors run), which is more
// orderly than Windows' TerminateThread and never leaves a lock of this layer held; a thread
// that never reaches such a call runs on until it returns, and then reports the code given to
// TerminateThread. Events are manual- or auto-reset; names are shared within the process.
#include <errno.h>
#include <limits.h>
#include <pthread.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/posix/posix_internal.h"

namespace posix {

extern thread_local bool t_terminableThread;
extern thread_local DWORD t_threadId;
DWORD NewThreadId();

namespace {

// Waits on condition until ready() or the time-out; WAIT_OBJECT_0 or WAIT_TIMEOUT.
template <typename Ready>
DWORD WaitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& condition, DWORD milliseconds,
              Ready ready) {
    if (milliseconds == INFINITE) {
        condition.wait(lock, ready);
        return WAIT_OBJECT_0;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    return condition.wait_until(lock, deadline, ready) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

struct ThreadState {
    std::mutex lock;
    std::condition_variable ended;
    bool started = false;
    bool finished = false;
    DWORD exitCode = STILL_ACTIVE;
    bool terminated = false;
    DWORD terminateCode = 0;
    pthread_t thread{};
    DWORD id = 0;
    LPTHREAD_START_ROUTINE start = nullptr;
    LPVOID parameter = nullptr;

    // Joins the finished thread once, whoever asks first; later callers wait for that join.
    // After it the thread's own reference to this state is gone.
    std::mutex joinLock;
    bool joined = false;
    void Join() {
        std::lock_guard<std::mutex> guard(joinLock);
        if (joined || !started || pthread_equal(pthread_self(), thread)) return;
        pthread_join(thread, nullptr);
        joined = true;
    }

    ~ThreadState() {
        if (!started || joined) return;
        // The last reference goes either in the thread itself (its handles were closed
        // first) or after it has finished: release its resources without waiting long.
        if (pthread_equal(pthread_self(), thread)) {
            pthread_detach(thread);
        } else {
            pthread_join(thread, nullptr);
        }
    }
};

class ThreadObject : public HandleObject {
public:
    explicit ThreadObject(std::shared_ptr<ThreadState> state) : HandleObject(HandleKind::Thread), m_state(std::move(state)) {}
    std::shared_ptr<HandleObject> Duplicate() override { return std::make_shared<ThreadObject>(m_state); }
    // A thread counts as ended only once it has left entirely: it signals "finished" with its
    // last statements and then still drops its reference to the state and its thread-local
    // objects. Joining it here means that nothing of it is left when a waiter returns.
    DWORD Wait(DWORD milliseconds) override {
        DWORD result;
        {
            std::unique_lock<std::mutex> lock(m_state->lock);
            result = WaitFor(lock, m_state->ended, milliseconds, [this] { return m_state->finished; });
        }
        if (result == WAIT_OBJECT_0) m_state->Join();
        return result;
    }
    const std::shared_ptr<ThreadState>& State() const { return m_state; }

private:
    std::shared_ptr<ThreadState> m_state;
};

// Marks the thread finished however it ends: by returning or by being cancelled.
struct FinishGuard {
    ThreadState* state;
    bool returned = false;
    DWORD code = 0;
    ~FinishGuard() {
        std::lock_guard<std::mutex> guard(state->lock);
        state->exitCode = state->terminated || !returned ? state->terminateCode : code;
        state->finished = true;
        state->ended.notify_all();
    }
};

void* ThreadMain(void* argument) {
    auto* holder = static_cast<std::shared_ptr<ThreadState>*>(argument);
    std::shared_ptr<ThreadState> state = std::move(*holder);
    delete holder;
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, nullptr);
    t_terminableThread = true;
    t_threadId = state->id;
    FinishGuard finish{state.get()};
    finish.code = state->start(state->parameter);
    finish.returned = true;
    return nullptr;
}

// ---- events -----------------------------------------------------------------------------

struct EventState {
    std::mutex lock;
    std::condition_variable signaled;
    bool manualReset = false;
    bool set = false;
};

class EventObject : public HandleObject {
public:
    explicit EventObject(std::shared_ptr<EventState> state) : HandleObject(HandleKind::Event), m_state(std::move(state)) {}
    std::shared_ptr<HandleObject> Duplicate() override { return std::make_shared<EventObject>(m_state); }
    DWORD Wait(DWORD milliseconds) override {
        std::unique_lock<std::mutex> lock(m_state->lock);
        const DWORD result = WaitFor(lock, m_state->signaled, milliseconds, [this] { return m_state->set; });
        if (result == WAIT_OBJECT_0 && !m_state->manualReset) m_state->set = false;  // one waiter takes it
        return result;
    }
    const std::shared_ptr<EventState>& State() const { return m_state; }

private:
    std::shared_ptr<EventState> m_state;
};

std::mutex g_namedEventsLock;
std::map<std::string, std::weak_ptr<EventState>> g_namedEvents;

std::shared_ptr<EventState> LookupEvent(HANDLE handle) {
    std::shared_ptr<HandleObject> object = LookupHandle(handle);
    if (object == nullptr) return nullptr;
    if (object->Kind() != HandleKind::Event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return static_cast<EventObject*>(object.get())->State();
}

}  // namespace

// The state of a thread handle, for GetExitCodeThread on process threads (process_posix.cpp).
bool ProcessThreadExitCode(const std::shared_ptr<HandleObject>& object, DWORD* code);

}  // namespace posix

using posix::HandleKind;

HANDLE CreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD threadId) {
    (void)flags;  // no suspended start: nothing here could resume the thread
    if (start == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto state = std::make_shared<posix::ThreadState>();
    state->start = start;
    state->parameter = parameter;
    state->id = posix::NewThreadId();
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (stackSize > 0) {
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        const size_t minimum = static_cast<size_t>(PTHREAD_STACK_MIN);
        size_t size = stackSize < minimum ? minimum : stackSize;
        size = (size + page - 1) / page * page;
        pthread_attr_setstacksize(&attributes, size);
    }
    auto* holder = new std::shared_ptr<posix::ThreadState>(state);
    const int error = pthread_create(&state->thread, &attributes, posix::ThreadMain, holder);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        delete holder;
        posix::SetLastErrorFromErrno(error);
        return nullptr;
    }
    state->started = true;
    if (threadId != nullptr) *threadId = state->id;
    const bool inheritable = security != nullptr && security->bInheritHandle;
    return posix::RegisterHandle(std::make_shared<posix::ThreadObject>(state), inheritable);
}

BOOL TerminateThread(HANDLE thread, DWORD exitCode) {
    std::shared_ptr<posix::HandleObject> object = posix::LookupHandle(thread);
    if (object == nullptr) return FALSE;
    if (object->Kind() != HandleKind::Thread) {
        SetLastError(object->Kind() == HandleKind::ProcessThread ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::shared_ptr<posix::ThreadState> state = static_cast<posix::ThreadObject*>(object.get())->State();
    {
        std::lock_guard<std::mutex> guard(state->lock);
        if (state->finished || state->terminated) return TRUE;
        state->terminated = true;
        state->terminateCode = exitCode;
    }
    if (pthread_equal(pthread_self(), state->thread)) {
        state.reset();
        object.reset();
        pthread_exit(nullptr);  // unwinds this thread; its guard records the code
    }
    // The thread is joinable while a handle exists, so its id is still valid here.
    const int error = pthread_cancel(state->thread);
    if (error != 0 && error != ESRCH) {
        posix::SetLastErrorFromErrno(error);
        return FALSE;
    }
    return TRUE;
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
    std::shared_ptr<posix::HandleObject> object = posix::LookupHandle(thread);
    if (object == nullptr) return FALSE;
    if (exitCode == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (object->Kind() == HandleKind::ProcessThread) {
        return posix::ProcessThreadExitCode(object, exitCode) ? TRUE : FALSE;
    }
    if (object->Kind() != HandleKind::Thread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const std::shared_ptr<posix::ThreadState>& state = static_cast<posix::ThreadObject*>(object.get())->State();
    std::lock_guard<std::mutex> guard(state->lock);
    *exitCode = state->finished ? state->exitCode : STILL_ACTIVE;
    return TRUE;
}

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState, LPCSTR name) {
    const bool inheritable = security != nullptr && security->bInheritHandle;
    std::shared_ptr<posix::EventState> state;
    bool existed = false;
    if (name != nullptr && *name != '\0') {
        std::lock_guard<std::mutex> guard(posix::g_namedEventsLock);
        std::weak_ptr<posix::EventState>& slot = posix::g_namedEvents[name];
        state = slot.lock();
        existed = state != nullptr;
        if (!existed) {
            state = std::make_shared<posix::EventState>();
            state->manualReset = manualReset != FALSE;
            state->set = initialState != FALSE;
            slot = state;
        }
    } else {
        state = std::make_shared<posix::EventState>();
        state->manualReset = manualReset != FALSE;
        state->set = initialState != FALSE;
    }
    HANDLE handle = posix::RegisterHandle(std::make_shared<posix::EventObject>(state), inheritable);
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL SetEvent(HANDLE event) {
    std::shared_ptr<posix::EventState> state = posix::LookupEvent(event);
    if (state == nullptr) return FALSE;
    std::lock_guard<std::mutex> guard(state->lock);
    state->set = true;
    if (state->manualReset) {
        state->signaled.notify_all();
    } else {
        state->signaled.notify_one();
    }
    return TRUE;
}

BOOL ResetEvent(HANDLE event) {
    std::shared_ptr<posix::EventState> state = posix::LookupEvent(event);
    if (state == nullptr) return FALSE;
    std::lock_guard<std::mutex> guard(state->lock);
    state->set = false;
    return TRUE;
}
