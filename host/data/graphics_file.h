// Graphics files a procedure writes through the routine table: a stream into a temporary file
// beside the file's name (base/temporary_file.h), which takes the name only when every write
// succeeded.
// The stream is a stdio stream of the host's own making, so that a write that fails is known even
// when a plotting library closes the stream and ignores what fclose says.
#ifndef QUILL_HOST_GRAPHICS_FILE_H
#define QUILL_HOST_GRAPHICS_FILE_H

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/temporary_file.h"

struct qh_graphics_file {
    quill::host::TemporaryFile temporary;
    std::FILE *stream = nullptr; // until it is closed
    int write_error = 0;         // errno of the first write that failed
    ~qh_graphics_file();
};

namespace quill::host {

// 1 to 64 letters, digits, '_' or '-', then ".svg" (any letter case).
bool is_graphics_file_name(std::string_view name);

// Opens a graphics file for `target`; false with the reason. Anything but a regular file or a
// link at `target` is refused (a FIFO would hang the run, a device would take the plot).
bool open_graphics_file(qh_graphics_file &file, const std::filesystem::path &target, std::string &reason);

// Closes the stream and, with `keep`, renames the file into place; false with the reason when a
// kept file is not in place. Without `keep` the file is removed.
bool close_graphics_file(qh_graphics_file &file, bool keep, std::string &reason);

} // namespace quill::host

#endif
