// Where the log or the listing goes: a file, standard output or standard error, or memory (for
// tests). A file named on the command line is written as the shell's ">" would, except that
// nothing that is not ours is destroyed:
// - a regular file, or a name with nothing there, is written as a temporary file beside it (see
//   temporary_file.h) that replaces it when the output is finished or a signal ends quill. When
//   nothing was written, an earlier regular file is replaced by an empty one (an old listing
//   never passes for this run's) and no file is made where there was none. A growing file (the
//   log) replaces it as soon as it is made, and each line is there as it is written, so that a
//   long run can be followed;
// - a character device, a FIFO or a socket is opened and written in place: never created,
//   truncated, replaced or removed (a FIFO is opened at start-up and, as with the shell, waits
//   there for its reader);
// - a symbolic link is followed, and these rules apply to what it points at (a link to
//   /proc/self/fd/1 reaches standard output).
// A folder the temporary cannot be made in (a root-owned folder) is no reason to refuse a
// regular file that may be written: that file is then truncated and written in place.
#ifndef QUILL_HOST_TEXT_SINK_H
#define QUILL_HOST_TEXT_SINK_H

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/temporary_file.h"

namespace quill::host {

class TextSink {
public:
    static TextSink to_file(const std::filesystem::path &path); // opened when first written
    static TextSink to_growing_file(const std::filesystem::path &path); // the same, read as it grows
    static TextSink to_stream(std::FILE *stream);
    static TextSink to_memory();
    TextSink(TextSink &&other) noexcept;
    TextSink &operator=(TextSink &&) = delete;
    ~TextSink(); // finishes the output

    // Opens a file sink's file now; false when it cannot be opened.
    bool open_now();
    // True for a file that is written in place (a device, a FIFO, a socket); open it at once,
    // so that a reader of a FIFO sees its end even when nothing is written.
    bool writes_in_place() const { return kind_ == Kind::InPlace; }
    // Writes the line and a line end; control characters in it are shown as \xHH (shown_text.h).
    void write_line(std::string_view line);
    // Ends the output: a file's temporary replaces the file. Later lines are dropped.
    void finish();
    const std::vector<std::string> &lines() const { return memory_; } // memory sinks only
    // The descriptor written to, once open; -1 for memory or before the file is opened.
    int descriptor() const { return file_ ? ::fileno(file_) : -1; }
    bool failed() const { return failed_; }
    // The system's reason for the first failure ("Permission denied"); empty when there is none.
    const std::string &problem() const { return problem_; }

private:
    enum class Kind { Stream, Memory, Replace, InPlace };
    TextSink() = default;
    void fail(int error_number);
    bool open_file();
    bool open_in_place(int flags, bool regular);
    std::FILE *file_ = nullptr;
    bool owned_ = false;
    bool failed_ = false;
    bool finished_ = false;
    bool growing_ = false;
    Kind kind_ = Kind::Stream;
    std::filesystem::path path_; // for a file: where the lines go, links resolved
    std::unique_ptr<TemporaryFile> temporary_;
    std::string problem_;
    std::vector<std::string> memory_;
};

} // namespace quill::host

#endif
