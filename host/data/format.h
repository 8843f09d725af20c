// Storage formats behind one interface. A data set is read through a TableSource: opening it
// describes it (its variables and rows) and any number of cursors then read its rows, each from
// the first, holding no more than a row. A data set is written through a TableSink: its variables
// are defined, its rows written, and it takes its name only when committed. Which format holds a
// data set is part of its name (dataset_library.h), chosen from the registry here.
#ifndef QUILL_HOST_DATA_FORMAT_H
#define QUILL_HOST_DATA_FORMAT_H

#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/log_writer.h"
#include "data/table.h"

namespace quill::host {

// Notes and warnings about what was read, in order, for the log.
using ReadMessages = std::vector<std::pair<LineClass, std::string>>;

struct Description {
    std::vector<Variable> variables;
    size_t rows = 0;
    std::string member = {}; // the name the file gives its data set (a transport file's); often empty
    // The variables PROC SORT ordered the rows by ("DESCENDING b" for a descending one), when the
    // format keeps it; empty when the order is not known.
    std::vector<std::string> sorted_by = {};
    std::string label = {}; // the data set's (LABEL=), when the format keeps it
};

// One pass over the rows of a data set.
class RowCursor {
public:
    virtual ~RowCursor() = default;
    enum class Step { Row, End, Failed };
    // The next row's values of the wanted variables, into `row` (sized to the variable count);
    // Failed with `error` when the data set can no longer be read as it was described.
    virtual Step next(Row &row, std::string &error) = 0;
};

class TableSource {
public:
    virtual ~TableSource() = default;
    virtual const Description &describe() const = 0;
    // A new pass from the first row that reads the variables `wanted` marks (all when it is
    // empty); nullptr with `error` when it cannot start.
    virtual std::unique_ptr<RowCursor> rows(const std::vector<bool> &wanted, std::string &error) const = 0;
};

// Destroyed uncommitted, a sink leaves nothing behind and an earlier data set of its name intact.
// A value the format cannot hold as it is fails the write, before anything is replaced.
class TableSink {
public:
    virtual ~TableSink() = default;
    // The order of the rows to come (Description::sorted_by), kept by a format that can; before define.
    virtual void set_sorted_by(std::vector<std::string> keys) { (void)keys; }
    // The data set's label (Description::label), kept by a format that can; before define.
    virtual void set_label(std::string label) { (void)label; }
    // Creates the data set with these variables. A text value is at most its variable's length
    // (OutputDataset sees to it); a format that keeps lengths cuts a longer one there.
    virtual bool define(const std::vector<Variable> &variables, std::string &error) = 0;
    virtual bool write_row(const Row &row, std::string &error) = 0;
    // The data set takes its name.
    virtual bool commit(std::string &error) = 0;
    virtual void discard() = 0;
    // Warnings about the data set as it was written (values the format keeps other than they
    // were), for the log once it is committed.
    virtual std::vector<std::string> warnings() const { return {}; }
};

struct Format {
    std::string_view name;      // "CSV"
    std::string_view extension; // of its files, lower case: ".csv"
    size_t max_text_length;     // bytes of the longest text value it stores
    // Opens and describes the data set in `file`, adding the notes and warnings about it to
    // `messages`; nullptr with `error` when it cannot be read.
    std::unique_ptr<TableSource> (*open)(const std::filesystem::path &file, ReadMessages &messages,
                                         std::string &error);
    // A sink that writes the data set `member` to `file` (nothing is created before define); the
    // member names it inside a file that holds its name (a transport file).
    std::unique_ptr<TableSink> (*create)(const std::filesystem::path &file, const std::string &member);
};

// The registry: every format, the default first (new data sets, and files no format claims).
std::span<const Format *const> formats();
const Format &default_format();
// The format whose files end in `extension` (any letter case); nullptr when none does.
const Format *format_for_extension(std::string_view extension);

// Reads every row of `source` into `table`: the columns listed, in that order (all when the list
// is empty); false with `error` when a row cannot be read.
bool read_table(const TableSource &source, const std::vector<size_t> &columns, Table &table, std::string &error);
// Writes `table` to `file` in `format` as the data set `member`, in the order `sorted_by`; false
// with `error`, leaving an earlier file of the name as it was.
bool write_table(const Format &format, const std::filesystem::path &file, const std::string &member,
                 const Table &table, const std::vector<std::string> &sorted_by, std::string &error);

} // namespace quill::host

#endif
