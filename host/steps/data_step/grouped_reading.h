// Reading with BY groups: SET with BY interleaves its data sets by the BY values (one data set
// is the simplest case), MERGE reads its data sets side by side, matched by the BY values or, with
// no BY statement, by position. Every input keeps its own next row, so that FIRST. and LAST.
// (and END=) are known as an observation is read and an input out of BY order is caught there.
#ifndef QUILL_HOST_STEPS_DATA_STEP_GROUPED_READING_H
#define QUILL_HOST_STEPS_DATA_STEP_GROUPED_READING_H

#include <string>

#include "base/log_writer.h"
#include "steps/data_step/step_program.h"

namespace quill::host {

enum class GroupedRead { Row, End, Failed, Unsorted };

// Reads the next observation of a grouped reader into `values`, setting IN=, FIRST., LAST. and
// END=. Failed: `error` says why the data could not be read. Unsorted: `error` is the message;
// `values` hold the observation just read, as the log shows it with the message.
GroupedRead read_grouped(Reader &r, const Pdv &pdv, Row &values, LogWriter &log, std::string &error);

// Opens an input's cursor over the columns it reads, once, on first use; false with `error`.
bool start_input(Reader::Input &in, std::string &error);

// The input's current row into the variables it sets, texts cut to their variables' lengths.
void load_current_row(const Reader::Input &in, const Pdv &pdv, Row &values);
// A variable's value made missing (a number or an empty text).
void set_missing(Row &values, int slot);

} // namespace quill::host

#endif
