// The one way a data set is written, for the procedures and the DATA step alike: the folder is
// prepared (files that ended runs left unfinished there are removed, one note each), the data set
// is written in its name's format, and once committed it takes its name, becomes _LAST_ and the log
// says "The data set X has N observations and M variables." A failure is logged once, and the
// data set is dropped, leaving an earlier one of its name intact. The data set options of its
// name (KEEP=, DROP=, RENAME=, WHERE=, LABEL=) act here, through an OutputShape, so that every
// writer (a procedure of the host, a module, the DATA step) gets them without knowing of them.
#ifndef QUILL_HOST_DATA_OUTPUT_DATASET_H
#define QUILL_HOST_DATA_OUTPUT_DATASET_H

#include <memory>
#include <vector>

#include "base/log_writer.h"
#include "data/dataset_library.h"
#include "data/format.h"

namespace quill::host {

// What the options of an output data set make of the observations its writer gives: the
// variables written and their names (KEEP=, DROP=, RENAME=), the observations written (WHERE=),
// the data set's label (LABEL=). Built above the data layer, where names and expressions are
// understood (language/output_options.h).
class OutputShape {
public:
    virtual ~OutputShape() = default;
    // The variables written, chosen from the writer's `given` ones: `columns` receives the
    // writer's column of each. False with `error` when an option does not fit them.
    virtual bool shape(const std::vector<Variable> &given, std::vector<Variable> &written,
                       std::vector<size_t> &columns, std::string &error) = 0;
    // Whether the writer's observation is written.
    virtual bool keeps(const Row &given) = 0;
    virtual const std::string &label() const = 0;
};

class OutputDataset {
public:
    OutputDataset(DatasetLibrary &library, LogWriter &log, DatasetName name,
                  std::unique_ptr<OutputShape> shape = nullptr);

    // Creates the data set with its variables; `sorted_by` is the order of the rows to come when
    // PROC SORT made it (Description::sorted_by), kept by a format that can, as are the data
    // set's label (LABEL=) and the variables' labels and formats.
    bool create(std::vector<Variable> variables, std::vector<std::string> sorted_by = {});
    // Adds an observation (row.numbers and row.texts in the order of the variables given to
    // create). A data set holds no infinite values: they are written as missing, with one
    // warning per data set. A text longer than its variable is cut to its length, never inside a
    // UTF-8 character, with one warning per variable (SAS's assignment cuts so silently; here no
    // writer should need it). An observation the options leave out is passed over.
    bool write(Row &row);
    bool commit();
    void discard();
    // The commit writes no note: the caller words its own (PROC SQL's "Table X created, ...").
    void quiet() { quiet_ = true; }

    bool failed() const { return failed_; }
    long long observations() const { return observations_; }
    // The variables the writer gives, as create received them.
    const std::vector<Variable> &variables() const { return variables_; }
    // The variables the data set gets: those, through the options.
    const std::vector<Variable> &written_variables() const { return shape_ ? written_ : variables_; }
    // The name a variable the writer gives has in the data set; empty when it is not written.
    std::string written_name(const std::string &given) const;

private:
    bool fail(const std::string &error);
    std::vector<std::string> written_order(const std::vector<std::string> &sorted_by) const;
    void cut_text(size_t i, std::string &text);
    DatasetLibrary &library_;
    LogWriter &log_;
    DatasetName name_;
    std::unique_ptr<OutputShape> shape_;
    std::vector<Variable> variables_;
    std::vector<Variable> written_;      // with a shape: the variables written
    std::vector<size_t> columns_;        // with a shape: the writer's column of each
    Row shaped_;                         // with a shape: the observation written
    std::unique_ptr<TableSink> sink_;
    long long observations_ = 0;
    bool failed_ = false;
    bool warned_infinite_ = false;
    std::vector<char> warned_long_; // per variable written
    bool quiet_ = false;
};

} // namespace quill::host

#endif
