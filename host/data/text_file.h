// A raw text file read a line at a time, for the DATA step's INFILE statement. Only a regular
// file is opened, and without waiting, so that a FIFO or a device named by a program cannot hang
// the run. Lines end in LF, CR LF or CR; a last line without an end is a line, and a byte order
// mark at the start is dropped. A line is kept up to a given length and the rest passed over,
// so that memory never holds more than one bounded line, whatever the file holds.
#ifndef QUILL_HOST_DATA_TEXT_FILE_H
#define QUILL_HOST_DATA_TEXT_FILE_H

#include <filesystem>
#include <string>
#include <vector>

namespace quill::host {

class TextFileReader {
public:
    TextFileReader() = default;
    TextFileReader(const TextFileReader &) = delete;
    TextFileReader &operator=(const TextFileReader &) = delete;
    ~TextFileReader();

    // Opens `file`; false with `error` (a sentence naming the file) when it is missing, not a
    // regular file or cannot be read.
    bool open(const std::filesystem::path &file, std::string &error);
    // The next line without its end, at most `longest` bytes of it (`cut` when it had more);
    // false at the end of the file, or with `error` when it cannot be read on.
    bool next_line(std::string &line, size_t longest, bool &cut, std::string &error);

private:
    bool fill(std::string &error); // false at the end of the file or with `error`
    int fd_ = -1;
    std::string shown_;
    std::vector<char> buffer_;
    size_t at_ = 0, filled_ = 0;
    bool started_ = false, ended_ = false;
};

} // namespace quill::host

#endif
