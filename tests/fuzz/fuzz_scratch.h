// A scratch folder for the fuzz targets that write files: made in the temporary folder when the
// target starts and removed at exit. (The current folder stays: libFuzzer reads and writes its
// corpus there.) Standard output can be silenced around a call: the engine writes trace lines
// there.
#ifndef QUILL_TESTS_FUZZ_SCRATCH_H
#define QUILL_TESTS_FUZZ_SCRATCH_H

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace fuzz {

class Scratch {
public:
    Scratch()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quill-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            __builtin_trap();
        folder_ = pattern;
        std::filesystem::create_directory(work());
    }
    ~Scratch()
    {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    Scratch(const Scratch &) = delete;
    Scratch &operator=(const Scratch &) = delete;

    std::filesystem::path work() const { return folder_ / "work"; }
    // Where the procedures draw; the host makes it with the first plot.
    std::filesystem::path graphics() const { return folder_ / "graphics"; }
    // Removes what a run left in WORK, keeping the files named in `keep`.
    void clear_work(const std::string &keep = "") const
    {
        for (const auto &entry : std::filesystem::directory_iterator(work()))
            if (entry.path().filename() != keep)
                std::filesystem::remove_all(entry.path());
    }

private:
    std::filesystem::path folder_;
};

// Standard output goes to /dev/null while this lives.
class QuietOutput {
public:
    QuietOutput()
    {
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        const int null_device = ::open("/dev/null", O_WRONLY);
        ::dup2(null_device, STDOUT_FILENO);
        ::close(null_device);
    }
    ~QuietOutput()
    {
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
    }
    QuietOutput(const QuietOutput &) = delete;
    QuietOutput &operator=(const QuietOutput &) = delete;

private:
    int saved_;
};

} // namespace fuzz

#endif
