// An in-memory host for the procedure's tests: statement records built by hand, data served
// from vectors, the log and the listing captured as lines, output data sets kept as rows.
// It stands in for both the interface vector and the routine table, and runs the module's
// procedure body the way a host does, catching the end of the run.
#ifndef QUILL_TESTS_PROCEDURE_FAKE_HOST_H
#define QUILL_TESTS_PROCEDURE_FAKE_HOST_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "module_interface.h"
#include "routine_table.h"

namespace quill::proc::testing {

struct column {
    std::string name;
    int32_t type = QH_VAR_NUMERIC;
    std::vector<double> numbers;  // numeric: NaN is missing
    std::vector<std::string> texts; // character
};

struct written_dataset {
    std::vector<std::string> names;
    std::vector<int32_t> widths;
    std::vector<std::vector<double>> rows;   // a character variable's value is NaN here
    std::vector<std::vector<std::string>> texts; // ... and its text here ("" for a numeric one)
    bool complete = false;
    double value(std::size_t row, const std::string &name) const;
    std::string text(std::size_t row, const std::string &name) const;
};

extern const double kMissing;

class fake_host {
public:
    fake_host();
    ~fake_host();

    // The input data set; variables are numbered from 1 in this order.
    void set_data(std::vector<column> columns);
    int32_t var(const std::string &name) const;

    // Statements. The PROC record always exists; MODEL and CLASS records are chained. `line`
    // is the program line a value is recorded at, as the host's parser leaves it.
    qh_statement *proc() { return proc_; }
    qh_statement *add_statement(const std::string &name, int32_t slots);
    void set_vars(qh_statement *record, int slot, const std::vector<std::string> &names, int32_t line = 0);
    void set_text(int slot, const std::string &text, int32_t line = 0);
    void set_number(int slot, double value, int32_t line = 0);
    void set_flag(qh_statement *record, int flag);
    void request_output(int slot, const std::string &name);
    // The usual MODEL statement: response = predictors.
    qh_statement *model(const std::string &response, const std::vector<std::string> &predictors,
                        int32_t line = 0);

    // Runs one step; the return code the procedure ended with.
    int32_t run();

    std::string debug_option;
    int32_t interface_version = QH_INTERFACE_VERSION;
    int32_t thread_limit = 0;    // the interface vector's, from version 2
    bool end_run_returns = false; // a host that breaks the promise of end_run
    std::string graphics_folder = "."; // handed to the procedure for its plot files
    bool sasproci_available = true;
    bool by_groups_available = true; // false: a routine table that ends before the BY group operation
    bool sasprocd_available = false;
    // A host operation (by its routine table name) that reports failure each time it is called.
    std::string failing_operation;
    int16_t parse_status = 0;
    const qh_grammar *grammar = nullptr;

    std::vector<std::string> log;
    std::vector<std::string> listing;
    std::vector<std::string> titles;
    std::map<std::string, written_dataset> outputs;
    std::size_t allocations = 0;
    int graphics_files_opened = 0;

    bool log_has(const std::string &text) const;
    bool listing_has(const std::string &text) const;
    int log_index(const std::string &text) const; // first line containing text, or -1

    // Internal state reached from the C entry points.
    struct impl;
    std::unique_ptr<impl> state;

private:
    qh_statement *proc_ = nullptr;
    std::vector<std::unique_ptr<qh_statement>> statements_;
    std::vector<std::unique_ptr<std::vector<qh_param>>> slots_;
    std::vector<std::unique_ptr<std::vector<int32_t>>> numbers_;
};

} // namespace quill::proc::testing

#endif
