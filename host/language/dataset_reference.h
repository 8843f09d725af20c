// A data set as a program names it: a one- or two-level name, _LAST_ or a quoted file path,
// optionally followed by the data set options (KEEP= list DROP= list).
#ifndef QUILL_HOST_DATASET_REFERENCE_H
#define QUILL_HOST_DATASET_REFERENCE_H

#include <string>
#include <vector>

#include "base/log_writer.h"
#include "data/dataset_library.h"
#include "data/dataset_view.h"
#include "language/tokenizer.h"

namespace quill::host {

struct DatasetReference {
    DatasetName name;
    bool is_null = false;            // _NULL_: nothing is written
    std::vector<Token> keep, drop;   // variable lists of the options
    bool has_keep = false, has_drop = false;
};

// Reads tokens[begin, end). mode_output selects how a one-level name without a data set behind
// it is treated (only inputs fall back to _LAST_ for the name _LAST_).
bool parse_dataset_reference(const std::vector<Token> &tokens, size_t begin, size_t end, DatasetLibrary &library,
                        DatasetReference &ref, std::string &error);
// Applies KEEP= and DROP= to the variables of a view.
bool apply_dataset_options(const DatasetReference &ref, DatasetView &view, std::string &error);
// Opens the data set `ref` names for reading, as its options show it; the notes about what was
// read go to the log. False with `error` when it cannot be read or an option does not apply.
bool open_for_reading(const DatasetReference &ref, const DatasetLibrary &library, LogWriter &log, DatasetView &view,
                      std::string &error);

} // namespace quill::host

#endif
