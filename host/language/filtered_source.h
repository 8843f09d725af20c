// A data set seen through WHERE=, FIRSTOBS= and OBS=: a TableSource over another that passes on
// the observations the expression lets through, from the FIRSTOBS-th of them to the OBS-th. Its
// description counts those observations (one pass over the expression's variables at opening).
#ifndef QUILL_HOST_LANGUAGE_FILTERED_SOURCE_H
#define QUILL_HOST_LANGUAGE_FILTERED_SOURCE_H

#include <string>
#include <vector>

#include "data/dataset_view.h"
#include "language/tokenizer.h"

namespace quill::host {

// Replaces the view's source by the filtered one. The expressions name the view's variables (as
// renamed); both must hold when both are given. obs -1 is no limit. False with `error` when an
// expression is not valid or the source cannot be read.
bool filter_view(DatasetView &view, const std::vector<Token> &where, const std::vector<Token> &extra_where,
                 long long firstobs, long long obs, std::string &error);

} // namespace quill::host

#endif
