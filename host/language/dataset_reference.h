// A data set as a program names it: a one- or two-level name, _LAST_ or a quoted file path,
// optionally followed by the data set options (KEEP= list DROP= list).
#ifndef QUILL_HOST_DATASET_REFERENCE_H
#define QUILL_HOST_DATASET_REFERENCE_H

#include <string>
#include <vector>

#include "data/dataset_library.h"
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
// Applies KEEP= and DROP= to a loaded table.
bool apply_dataset_options(const DatasetReference &ref, Table &table, std::string &error);

} // namespace quill::host

#endif
