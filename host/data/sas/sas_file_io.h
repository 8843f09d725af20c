// The file ReadStat parses, handed to it through its I/O handlers instead of its own: opened
// without blocking (a FIFO or device is refused, never waited on) and read with pread, and seen
// through a window of pieces of the file, so that one member of a transport file that holds
// several reads as a file of its own (the library's header records, then that member's).
#ifndef QUILL_HOST_DATA_SAS_SAS_FILE_IO_H
#define QUILL_HOST_DATA_SAS_SAS_FILE_IO_H

#include <readstat.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quill::host {

class SasFileInput {
public:
    // A piece of the file: `length` bytes from `offset`.
    struct Piece {
        uint64_t offset;
        uint64_t length;
    };

    SasFileInput() = default;
    SasFileInput(const SasFileInput &) = delete;
    SasFileInput &operator=(const SasFileInput &) = delete;
    ~SasFileInput();

    // Opens a regular file; false with errno's value (ENODEV for a file that is not regular).
    bool open(const std::string &path, int &error_number);
    int descriptor() const { return fd_; }
    uint64_t file_size() const { return size_; }
    // What ReadStat sees from now on: these pieces, one after another (the whole file when empty).
    void show(std::vector<Piece> pieces);
    // Makes the parser read through this input.
    void attach(readstat_parser_t *parser);

private:
    static int open_handler(const char *, void *context);
    static int close_handler(void *context);
    static readstat_off_t seek_handler(readstat_off_t offset, readstat_io_flags_t whence, void *context);
    static ssize_t read_handler(void *into, size_t bytes, void *context);
    static readstat_error_t update_handler(long, readstat_progress_handler, void *, void *);
    uint64_t shown_size() const;

    int fd_ = -1;
    uint64_t size_ = 0;
    std::vector<Piece> pieces_;
    uint64_t position_ = 0; // in what ReadStat sees
};

} // namespace quill::host

#endif
