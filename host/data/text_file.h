// A raw text file read whole into its lines, for the DATA step's INFILE statement. Only a regular
// file is opened, and without waiting, so that a FIFO or a device named by a program cannot hang
// the run.
#ifndef QUILL_HOST_DATA_TEXT_FILE_H
#define QUILL_HOST_DATA_TEXT_FILE_H

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quill::host {

// The lines of `file`; false with `error` (a sentence naming the file) when it is missing, not a
// regular file or cannot be read.
bool read_text_file(const std::filesystem::path &file, std::vector<std::string> &lines, std::string &error);
// Splits text into lines ending LF, CR LF or CR; a last line without an end is a line, and a byte
// order mark at the start is dropped.
std::vector<std::string> split_text_lines(std::string_view text);

} // namespace quill::host

#endif
