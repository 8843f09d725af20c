// The one way a data set is written, for the procedures and the DATA step alike: the folder is
// prepared (files that ended runs left unfinished there are removed, one note each), the data set
// is written in its name's format, and once committed it takes its name, becomes _LAST_ and the log
// says "The data set X has N observations and M variables." A failure is logged once, and the
// data set is dropped, leaving an earlier one of its name intact.
#ifndef QUILL_HOST_DATA_OUTPUT_DATASET_H
#define QUILL_HOST_DATA_OUTPUT_DATASET_H

#include <memory>
#include <vector>

#include "base/log_writer.h"
#include "data/dataset_library.h"
#include "data/format.h"

namespace quill::host {

class OutputDataset {
public:
    OutputDataset(DatasetLibrary &library, LogWriter &log, DatasetName name);

    // Creates the data set with its variables; `sorted_by` is the order of the rows to come when
    // PROC SORT made it (Description::sorted_by), kept by a format that can.
    bool create(std::vector<Variable> variables, std::vector<std::string> sorted_by = {});
    // Adds an observation (row.numbers and row.texts in variable order). A data set holds no
    // infinite values: they are written as missing, with one warning per data set. A text longer
    // than its variable is cut to its length, never inside a UTF-8 character, with one warning
    // per variable (SAS's assignment cuts so silently; here no writer should need it).
    bool write(Row &row);
    bool commit();
    void discard();
    // The commit writes no note: the caller words its own (PROC SQL's "Table X created, ...").
    void quiet() { quiet_ = true; }

    bool failed() const { return failed_; }
    long long observations() const { return observations_; }
    const std::vector<Variable> &variables() const { return variables_; }

private:
    bool fail(const std::string &error);
    void cut_text(size_t i, std::string &text);
    DatasetLibrary &library_;
    LogWriter &log_;
    DatasetName name_;
    std::vector<Variable> variables_;
    std::unique_ptr<TableSink> sink_;
    long long observations_ = 0;
    bool failed_ = false;
    bool warned_infinite_ = false;
    std::vector<char> warned_long_; // per variable
    bool quiet_ = false;
};

} // namespace quill::host

#endif
