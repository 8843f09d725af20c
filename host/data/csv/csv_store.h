// Data sets stored as CSV files: a header row of variable names, then one row per observation.
// Opening a file describes it in one streaming pass (names, types, the longest texts, the rows,
// and the notes about what was read); each cursor then reads the file again from its first row in
// large buffers, holding one row. Writing goes to a temporary file beside the target that is
// renamed into place only when complete.
#ifndef QUILL_HOST_DATA_CSV_CSV_STORE_H
#define QUILL_HOST_DATA_CSV_CSV_STORE_H

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "base/temporary_file.h"
#include "data/format.h"
#include "data/table.h"

namespace quill::host {

// A CSV file has no declared lengths: a text column is as long as its longest value, up to the
// 32767 bytes a variable holds.
constexpr size_t csv_max_text_length = max_text_length;

const Format &csv_format();

// Opens and describes `file`. On failure returns nullptr with `error` naming the file, the line and
// the problem. Reading rules:
// - a column is numeric when each cell is a number, "." or empty (missing), or NA (missing, with a
//   note); a quoted cell makes its column character, so a text column of digits survives a round
//   trip; a column read as character although some cells are numbers gets a note naming the
//   first cell that is not;
// - a number too large for a double is read as missing, with a warning; one too small becomes the
//   nearest double, with a note when that is 0;
// - header names a variable cannot have (empty, longer than 32 bytes, control characters, a name
//   used twice) are changed, never to a name of another column, with one note listing the changes;
// - a text column's length is its longest value's; values longer than 32767 bytes are cut (never
//   inside a UTF-8 character), with one warning per column.
// The notes and warnings are added to `messages` only when the whole file could be read. A cursor
// that meets a file changed since it was described fails with "... the file changed while it was
// read."; the file stays open from the description on, so a file replaced by renaming (as every
// writer here replaces one) is read as it was described.
std::unique_ptr<TableSource> open_csv_file(const std::filesystem::path &file, ReadMessages &messages,
                                           std::string &error);
// How a delimited text file other than a data set is laid out (PROC IMPORT): the character
// between values, whether its first row names the variables (else they are VAR1, VAR2 ...),
// and the line its data start on (records that start on an earlier line are passed over; 0: the
// record after the names). The reading rules are those above.
struct CsvLayout {
    char delimiter = ',';
    bool names = true;
    int first_data_row = 0;
};
std::unique_ptr<TableSource> open_delimited_file(const std::filesystem::path &file, const CsvLayout &layout,
                                                 ReadMessages &messages, std::string &error);
// The same from text in memory; `label` names it in messages.
std::unique_ptr<TableSource> open_csv_text(std::string text, const std::string &label, ReadMessages &messages,
                                           std::string &error);

// A whole table at once: opening and read_table (format.h).
bool read_csv_file(const std::filesystem::path &file, Table &table, std::string &error, ReadMessages &messages);
bool read_csv_text(std::string_view text, const std::string &label, Table &table, std::string &error,
                   ReadMessages &messages);

class CsvWriter {
public:
    CsvWriter() = default;
    CsvWriter(const CsvWriter &) = delete;
    CsvWriter &operator=(const CsvWriter &) = delete;
    ~CsvWriter(); // an uncommitted write leaves no file behind

    bool open(const std::filesystem::path &target, std::string &error);
    void separate_by(char separator) { separator_ = separator; } // ',' unless set
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
    char separator_ = ',';
    std::string row_; // the row being written, handed to the stream whole
};

// A CSV sink (format.h). The file is always UTF-8: bytes of a text that are not (a Latin-1 é
// from a hexadecimal constant, a SUBSTR that split a character) are written as U+FFFD, with one
// warning per variable naming the first such value. What a CSV file cannot keep (declared
// lengths, labels, formats, the sort order) is not written.
std::unique_ptr<TableSink> create_csv_sink(const std::filesystem::path &target);

// The same with another character between values (PROC EXPORT DBMS=TAB or DLM).
std::unique_ptr<TableSink> create_delimited_sink(const std::filesystem::path &target, char delimiter);

// Writes a whole table.
bool write_csv_file(const std::filesystem::path &target, const Table &table, std::string &error);

} // namespace quill::host

#endif
