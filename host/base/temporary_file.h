// A file that replaces its target only when complete: it is written as a new temporary file
// beside the target, "<target>.partial-<process>-<serial>", and renamed onto the target at the end.
// The temporary is created exclusively (a file or link planted at its name is skipped, never
// written through) and is held under an exclusive open-file-description lock while it is open:
// the lock, not the process number, tells another run's sweep that the file is still being
// written, wherever its writer runs. A signal that ends quill removes it (or renames it into place,
// for the log and the listing).
#ifndef QUILL_HOST_TEMPORARY_FILE_H
#define QUILL_HOST_TEMPORARY_FILE_H

#include <filesystem>
#include <string_view>
#include <vector>

namespace quill::host {

class TemporaryFile {
public:
    enum class OnSignal { Remove, Rename };

    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    ~TemporaryFile() { discard(); } // an uncommitted file leaves nothing behind

    // Creates the temporary beside `target`; false with errno's value in `error_number`.
    bool create(const std::filesystem::path &target, int &error_number, OnSignal on_signal = OnSignal::Remove);
    bool is_open() const { return fd_ >= 0; }
    int descriptor() const { return fd_; } // for writing (and reading back what was written)
    const std::filesystem::path &target() const { return target_; }

    // Renames the temporary onto the target, still holding the lock, then closes it. A close
    // that reports a failed write (a network file system) fails the commit first. False with
    // errno's value when the target is not replaced; the temporary is then gone.
    bool commit(int &error_number);
    // Renames the temporary onto the target now, for a file read while it grows (the log): the
    // writes go on through the same descriptor, under the same lock, and commit then only closes
    // it. False with errno's value when the rename fails; the temporary then stays as it was.
    bool publish(int &error_number);
    void discard(); // a published file is closed, never removed

private:
    void forget();
    int fd_ = -1;
    bool published_ = false;
    std::filesystem::path target_, temporary_;
    OnSignal on_signal_ = OnSignal::Remove;
};

// True for a name of exactly the form the host gives the temporary files of data sets and plots:
// a file name the host writes (1 to 64 letters, digits, '_' or '-', then .csv, .svg, .sas7bdat,
// .xpt or .qds in any letter case), then ".partial-<process>-<serial>" in decimal. (What a run killed outright left of
// its log or listing is that run's only account of itself: it is never swept.)
bool is_temporary_name(std::string_view name);

// Removes from `folder` the temporary files that no writer holds any more (a run that was killed):
// only regular files of exactly the temporary form whose lock this process can take. Returns the
// files removed.
std::vector<std::filesystem::path> remove_stale_temporaries(const std::filesystem::path &folder);

// Takes an exclusive (write) or shared (read) open-file-description lock on the whole of `fd`
// without waiting; false when another open file holds a conflicting one, or there are no locks.
bool try_lock(int fd, bool exclusive);
// A writer's exclusive lock on a file it has just created: false only when another open file
// holds a lock on it (a sweep that is removing it). Where the file system has no locks, the
// writer goes on unlocked: no sweep can take a lock there either, so none removes the file.
bool hold_lock(int fd);

} // namespace quill::host

#endif
