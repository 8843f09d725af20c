// The data set options of an output data set, acted on as it is written (output_dataset.h's
// OutputShape): KEEP= and DROP= choose among the variables the writer gives (their names as the
// writer gives them), RENAME=(old=new) names them, WHERE=(condition) chooses the observations and
// LABEL='text' labels the data set. WHERE= names the writer's variables, the dropped ones too; a
// name that is none of them may be a new name RENAME= gives. IN=, FIRSTOBS= and OBS= are for input
// data sets only.
#ifndef QUILL_HOST_LANGUAGE_OUTPUT_OPTIONS_H
#define QUILL_HOST_LANGUAGE_OUTPUT_OPTIONS_H

#include <memory>
#include <string>

#include "data/output_dataset.h"
#include "language/dataset_reference.h"

namespace quill::host {

// Empty when `ref`'s options may stand on an output data set; else the ERROR text naming the
// one that may not.
std::string output_options_problem(const DatasetReference &ref);

// The shape `ref`'s options give an output; nullptr when it has none that act on one.
std::unique_ptr<OutputShape> output_shape(const DatasetReference &ref);

// The output data set `ref` names, its options applied as it is written.
std::unique_ptr<OutputDataset> make_output(DatasetLibrary &library, LogWriter &log, const DatasetReference &ref);

} // namespace quill::host

#endif
