#include "base/exit_cleanup.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace quill::host::exit_cleanup {
namespace {

// Registered paths are copies owned by their slot, "file\0rename_to\0" (rename_to empty when the
// file is to be removed); the handler takes a slot's text and never frees it (the process ends
// right after).
constexpr int file_slots = 64;
std::atomic<char *> g_files[file_slots];
std::atomic<char *> g_folder{nullptr};
std::atomic<int> g_log{-1};

#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitizer_reports_crashes = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool sanitizer_reports_crashes = true;
#else
constexpr bool sanitizer_reports_crashes = false;
#endif
#else
constexpr bool sanitizer_reports_crashes = false;
#endif

struct linux_dirent64 {
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[];
};

// Removes `name` under the folder `parent`, with everything in it; getdents64 instead of readdir
// because only system calls are safe here. True when it is gone.
bool remove_tree_at(int parent, const char *name, int depth)
{
    if (unlinkat(parent, name, 0) == 0)
        return true;
    const int fd = depth > 16 ? -1 : openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    alignas(linux_dirent64) char buffer[4096];
    // Entries removed while reading may hide others from the same scan: scan until one is empty.
    for (bool removed = true; removed;) {
        removed = false;
        lseek(fd, 0, SEEK_SET);
        long length;
        while ((length = syscall(SYS_getdents64, fd, buffer, sizeof buffer)) > 0) {
            for (long at = 0; at < length;) {
                const auto *entry = reinterpret_cast<const linux_dirent64 *>(buffer + at);
                at += entry->d_reclen;
                if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
                    continue;
                removed = remove_tree_at(fd, entry->d_name, depth + 1) || removed;
            }
        }
    }
    close(fd);
    return unlinkat(parent, name, AT_REMOVEDIR) == 0;
}

const char *signal_name(int signal_number)
{
    switch (signal_number) {
    case SIGHUP: return "SIGHUP";
    case SIGINT: return "SIGINT";
    case SIGQUIT: return "SIGQUIT";
    case SIGTERM: return "SIGTERM";
    case SIGABRT: return "SIGABRT";
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    default: return "a signal";
    }
}

// Appends text to a fixed buffer, as far as it goes.
struct Line {
    char text[200];
    size_t size = 0;
    void add(const char *piece)
    {
        while (*piece && size < sizeof text)
            text[size++] = *piece++;
    }
    void add(int number)
    {
        char digits[12];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + number % 10);
            number /= 10;
        } while (number > 0 && n < 11);
        while (n > 0 && size < sizeof text)
            text[size++] = digits[--n];
    }
};

// The log's last line; on a new line of its own if the signal came in the middle of one.
void write_log_line(int fd, int signal_number)
{
    Line line;
    const off_t end = lseek(fd, 0, SEEK_CUR);
    char last = '\n';
    if (end > 0 && pread(fd, &last, 1, end - 1) == 1 && last != '\n')
        line.add("\n");
    line.add("ERROR: The run was ended by signal ");
    line.add(signal_number);
    line.add(" (");
    line.add(signal_name(signal_number));
    line.add("): the step under way did not finish and the rest of the program did not run.\n");
    for (size_t at = 0; at < line.size;) {
        const ssize_t written = write(fd, line.text + at, line.size - at);
        if (written <= 0 && errno != EINTR)
            return;
        at += written > 0 ? static_cast<size_t>(written) : 0;
    }
}

void on_signal(int signal_number)
{
    const int saved_errno = errno;
    if (const int log = g_log.exchange(-1); log >= 0)
        write_log_line(log, signal_number);
    for (auto &slot : g_files)
        if (char *file = slot.exchange(nullptr)) {
            const char *rename_to = file + std::strlen(file) + 1;
            if (*rename_to != '\0')
                rename(file, rename_to);
            else
                unlink(file);
        }
    if (char *folder = g_folder.exchange(nullptr))
        remove_tree_at(AT_FDCWD, folder, 0);
    errno = saved_errno;
    // The handler was reset on entry: the signal, blocked until we return, now ends the process.
    raise(signal_number);
}

void handle(int signal_number, bool unless_ignored)
{
    struct sigaction action{};
    if (unless_ignored && sigaction(signal_number, nullptr, &action) == 0 && action.sa_handler == SIG_IGN)
        return; // started with it ignored (nohup, a background job): keep it so
    action = {};
    action.sa_handler = on_signal;
    sigfillset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(signal_number, &action, nullptr);
}

char *copy_of(const std::filesystem::path &path) { return strdup(path.c_str()); }

// "file\0rename_to\0" in one block.
char *slot_text(const std::filesystem::path &file, const std::filesystem::path &rename_to)
{
    const size_t file_size = std::strlen(file.c_str()) + 1, rename_size = std::strlen(rename_to.c_str()) + 1;
    char *text = static_cast<char *>(std::malloc(file_size + rename_size));
    if (text) {
        std::memcpy(text, file.c_str(), file_size);
        std::memcpy(text + file_size, rename_to.c_str(), rename_size);
    }
    return text;
}

} // namespace

void install()
{
    for (int s : {SIGHUP, SIGINT, SIGQUIT, SIGTERM})
        handle(s, true);
    handle(SIGABRT, false);
    if (!sanitizer_reports_crashes)
        for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL})
            handle(s, false);
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN); // a file size limit makes the write fail, which is reported
}

void log_on_signal(int descriptor) { g_log.store(descriptor); }

void remove_folder_on_signal(const std::filesystem::path &folder)
{
    std::free(g_folder.exchange(copy_of(folder)));
}

void forget_folder(const std::filesystem::path &folder)
{
    char *current = g_folder.load();
    if (current && folder == current && g_folder.compare_exchange_strong(current, nullptr))
        std::free(current);
}

void track(const std::filesystem::path &file) { track(file, {}); }

void track(const std::filesystem::path &file, const std::filesystem::path &rename_to)
{
    char *copy = slot_text(file, rename_to);
    if (!copy)
        return;
    for (auto &slot : g_files) {
        char *expected = nullptr;
        if (slot.compare_exchange_strong(expected, copy))
            return;
    }
    std::free(copy); // all slots busy: a file left behind is removed by the next run's sweep
}

void untrack(const std::filesystem::path &file)
{
    for (auto &slot : g_files) {
        char *current = slot.load();
        if (current && file == current) {
            if (slot.compare_exchange_strong(current, nullptr))
                std::free(current);
            return;
        }
    }
}

} // namespace quill::host::exit_cleanup
