// The worker threads of the row-parallel kernels. A team lives for one runscad call: the
// call starts it and joins its threads before it returns, so nothing outlives the call.
//
// Work is handed out as numbered tasks (chunks of rows, fixed by the data alone). Which thread
// runs which task is not fixed, so a task writes only its own results and whoever combines
// them does so in task order: a result never depends on the number of threads.
#pragma once

#include <type_traits>

namespace quill::engine {

// Threads for a call: every core this process may run on, limited to `limit` when the caller
// gave one (above 0), else by QUILL_THREADS when that holds a whole number from 1 up (any other
// value is ignored: a C caller gets no message on standard error).
int engine_thread_count(int limit);

// Starts a team of `threads` threads (the caller counts as one) for the scope's lifetime; with
// fewer than 2, or when threads cannot be started, every task runs on the caller's thread.
// One team at a time: the engine is not re-entrant.
class thread_team_scope {
public:
    explicit thread_team_scope(int threads);
    ~thread_team_scope();
    thread_team_scope(const thread_team_scope&) = delete;
    thread_team_scope& operator=(const thread_team_scope&) = delete;

private:
    bool started_ = false;
};

// Threads of the running team, 1 without one.
int team_threads();

namespace detail {
void run_task_range(int count, void (*task)(void*, int), void* context);
}

// Runs task(0) .. task(count - 1) on the team and returns when every one has finished. A task
// must not throw.
template <class Task>
void run_tasks(int count, Task&& task) {
    detail::run_task_range(
        count, [](void* t, int i) { (*static_cast<std::remove_reference_t<Task>*>(t))(i); },
        const_cast<void*>(static_cast<const void*>(&task)));
}

}  // namespace quill::engine
