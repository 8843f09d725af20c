// Data sets stored as CSV files: a header row of variable names, then one row per observation.
// Reading streams the file in large buffers, so time and memory stay linear in its size and the
// data are held once, as columns. Writing goes to a temporary file beside the target that is
// renamed into place only when complete.
#ifndef QUILL_HOST_CSV_STORE_H
#define QUILL_HOST_CSV_STORE_H

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/log_writer.h"
#include "base/temporary_file.h"
#include "data/table.h"

namespace quill::host {

// Notes and warnings about what was read, in order, for the log.
using ReadMessages = std::vector<std::pair<LineClass, std::string>>;

// Reads `file` into `table`. On failure returns false with `error` naming the file, the line and
// the problem; `table` is untouched. Reading rules:
// - a column is numeric when each cell is a number, "." or empty (missing), or NA (missing, with a
//   note); a quoted cell makes its column character, so a text column of digits survives a round
//   trip; a column read as character although some cells are numbers gets a note naming the
//   first cell that is not;
// - a number too large for a double is read as missing, with a warning; one too small becomes the
//   nearest double, with a note when that is 0;
// - header names a variable cannot have (empty, longer than 32 bytes, control characters, a name
//   used twice) are changed, never to a name of another column, with one note listing the changes;
// - values longer than 32 characters are cut, with one warning per column.
bool read_csv_file(const std::filesystem::path &file, Table &table, std::string &error, ReadMessages &messages);
// The same from text in memory; `label` names it in messages.
bool read_csv_text(std::string_view text, const std::string &label, Table &table, std::string &error,
                   ReadMessages &messages);

class CsvWriter {
public:
    CsvWriter() = default;
    CsvWriter(const CsvWriter &) = delete;
    CsvWriter &operator=(const CsvWriter &) = delete;
    ~CsvWriter(); // an uncommitted write leaves no file behind

    bool open(const std::filesystem::path &target, std::string &error);
    void name(std::string_view value); // a variable name in the header (a valid name needs no quotes)
    void text(std::string_view value); // a character value, always quoted: quotes mark text
    void number(double value);         // shortest exact text; "." when missing
    // Ends the row; false with `error` set once the file cannot take more (a full disk).
    bool end_row(std::string &error);
    // Closes the temporary file and renames it to the target.
    bool commit(std::string &error);
    void discard();

private:
    void separate();
    std::string write_failure(int error_number) const;
    std::FILE *file_ = nullptr;
    std::filesystem::path target_;
    TemporaryFile temporary_;
    bool row_started_ = false;
};

// Writes a whole table through a CsvWriter.
bool write_csv_file(const std::filesystem::path &target, const Table &table, std::string &error);

} // namespace quill::host

#endif
