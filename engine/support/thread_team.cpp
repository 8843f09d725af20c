// The worker team. Each job is published as a new generation; the caller and any worker that
// is awake claim its task numbers one at a time, and the caller returns once every task has
// finished. The caller never waits for a worker to wake up: on a busy machine it simply does
// more of the tasks itself. Idle workers spin briefly, because the passes of a fit hand out jobs
// in quick succession, then sleep until the next generation.
#include "support/thread_team.h"

#include <sched.h>

#include <atomic>
#include <charconv>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace quill::engine {

namespace {

constexpr int most_threads = 1024;

// Set while this thread runs tasks: a job handed out from inside a task runs on its own thread.
thread_local bool in_task = false;
constexpr int spins_before_sleeping = 2000;

inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Where threads sleep until an atomic value changes. A mutex and a condition variable rather
// than the atomic's own wait: that one is built from templates that would be exported from the
// library. The sleepers count spares the waking side the lock while everyone is spinning.
class sleep_place {
public:
    // Spins while `value` holds `old`, then sleeps until it changes; returns the new value.
    template <class T>
    T wait_while(const std::atomic<T>& value, T old) {
        for (int i = 0; i < spins_before_sleeping; ++i) {
            const T now = value.load(std::memory_order_acquire);
            if (now != old) return now;
            relax();
        }
        std::unique_lock<std::mutex> lock(mutex_);
        sleepers_.fetch_add(1);
        changed_.wait(lock, [&] { return value.load() != old; });
        sleepers_.fetch_sub(1);
        return value.load(std::memory_order_acquire);
    }

    // After a value a sleeper may wait on has changed.
    void wake_all() {
        if (sleepers_.load() == 0) return;
        const std::lock_guard<std::mutex> lock(mutex_);
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<int> sleepers_{0};
};

class team {
public:
    explicit team(int threads) {
        workers_.reserve(static_cast<std::size_t>(threads - 1));
        for (int i = 1; i < threads; ++i) {
            try {
                workers_.emplace_back([this] { work(); });
            } catch (...) {
                break;  // fewer threads: the results are the same, only slower
            }
        }
    }

    ~team() {
        stopping_.store(true, std::memory_order_relaxed);
        signal_.fetch_add(1);
        sleep_.wake_all();
        for (std::thread& w : workers_) w.join();
    }

    int threads() const { return static_cast<int>(workers_.size()) + 1; }

    void run(int count, void (*task)(void*, int), void* context) {
        task_ = task;
        context_ = context;
        count_.store(count, std::memory_order_relaxed);
        done_.store(0, std::memory_order_relaxed);
        const uint32_t generation = ++generation_;
        state_.store(static_cast<uint64_t>(generation) << 32, std::memory_order_release);
        signal_.store(generation);
        sleep_.wake_all();
        take_tasks(generation);
        for (int done = done_.load(std::memory_order_acquire); done != count;)
            done = sleep_.wait_while(done_, done);
    }

private:
    // The next unclaimed task of `generation`, or -1 when there is none (or the generation is
    // over, for a worker that woke late).
    int claim(uint32_t generation) {
        uint64_t state = state_.load(std::memory_order_acquire);
        for (;;) {
            if (static_cast<uint32_t>(state >> 32) != generation) return -1;
            const int next = static_cast<int>(state & 0xFFFFFFFFu);
            if (next >= count_.load(std::memory_order_relaxed)) return -1;
            if (state_.compare_exchange_weak(state, state + 1, std::memory_order_acq_rel,
                                             std::memory_order_acquire))
                return next;
        }
    }

    // The job's task and count stay as they are while any of its tasks is unfinished.
    void take_tasks(uint32_t generation) {
        for (int i = claim(generation); i >= 0; i = claim(generation)) {
            task_(context_, i);
            const int count = count_.load(std::memory_order_relaxed);
            if (done_.fetch_add(1) + 1 == count) sleep_.wake_all();
        }
    }

    void work() {
        in_task = true;  // a worker only ever runs tasks
        uint32_t seen = 0;
        for (;;) {
            seen = sleep_.wait_while(signal_, seen);
            if (stopping_.load(std::memory_order_relaxed)) return;
            take_tasks(seen);
        }
    }

    std::vector<std::thread> workers_;
    sleep_place sleep_;
    uint32_t generation_ = 0;           // the caller's count of jobs
    std::atomic<uint32_t> signal_{0};   // the latest generation, for sleeping workers
    std::atomic<uint64_t> state_{0};    // generation << 32 | next unclaimed task
    std::atomic<int> count_{0};
    std::atomic<int> done_{0};
    std::atomic<bool> stopping_{false};
    // Written by the caller before the generation is published.
    void (*task_)(void*, int) = nullptr;
    void* context_ = nullptr;
};

team* running = nullptr;

int available_cores() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) return count;
    }
    const unsigned hinted = std::thread::hardware_concurrency();
    return hinted > 0 ? static_cast<int>(hinted) : 1;
}

}  // namespace

int engine_thread_count(int limit) {
    if (limit < 1) {
        if (const char* text = std::getenv("QUILL_THREADS")) {
            const char* end = text + std::strlen(text);
            const auto parsed = std::from_chars(text, end, limit);
            if (parsed.ec != std::errc() || parsed.ptr != end) limit = 0;
        }
    }
    int threads = available_cores();
    if (limit >= 1 && limit < threads) threads = limit;
    return threads < most_threads ? threads : most_threads;
}

thread_team_scope::thread_team_scope(int threads) {
    if (threads < 2 || running != nullptr) return;
    try {
        running = new team(threads);
        started_ = true;
    } catch (...) {
        running = nullptr;  // every task then runs on the caller's thread
    }
}

thread_team_scope::~thread_team_scope() {
    if (!started_) return;
    delete running;
    running = nullptr;
}

int team_threads() { return running ? running->threads() : 1; }

namespace detail {

void run_task_range(int count, void (*task)(void*, int), void* context) {
    if (running == nullptr || count < 2 || in_task) {
        for (int i = 0; i < count; ++i) task(context, i);
        return;
    }
    in_task = true;
    running->run(count, task, context);
    in_task = false;
}

}  // namespace detail

}  // namespace quill::engine
