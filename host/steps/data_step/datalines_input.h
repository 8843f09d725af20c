// INPUT with DATALINES: the variables the INPUT statement names and the values of the data lines.
#ifndef QUILL_HOST_STEPS_DATA_STEP_DATALINES_INPUT_H
#define QUILL_HOST_STEPS_DATA_STEP_DATALINES_INPUT_H

#include <memory>

#include "data/format.h"
#include "steps/program_runner.h"

namespace quill::host {

// INPUT a b $ c1-c3 'my var'n; appends the columns to `table`; false when an error was logged.
bool read_input_statement(Session &session, const Statement &s, Table &table);
// The values of the data lines; a text is cut to the longest the output's format stores.
void read_data_lines(Session &session, const Step &step, size_t max_text_length, Table &table);
// A data set held in memory, read as any other.
std::shared_ptr<const TableSource> table_source(Table table);

} // namespace quill::host

#endif
