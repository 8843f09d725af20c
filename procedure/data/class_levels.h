// CLASS predictors: the text form of a level, the discovery of levels in order of first
// occurrence (through a hash of level texts, so a pass is linear in the observations), their
// sort and the coding of each observation as the index of its level.
#ifndef QUILL_PROC_DATA_CLASS_LEVELS_H
#define QUILL_PROC_DATA_CLASS_LEVELS_H

#include <cstdint>

#include "proc_run.h"

namespace quill::proc {

// A numeric CLASS value as text: "%-10ld" for a whole number, else "%-10f", blank-filled to 32.
void numeric_level_text(double value, name33 &out);
void upper_case(name33 &text);
bool is_blank(const name33 &text);
int compare_texts(const name33 &a, const name33 &b); // byte order over the 32 characters

// Ascending byte order by heap sort, each frequency moving with its text; then reversed when
// `descending` is set.
void sort_levels(name33 *texts, int32_t *freqs, int32_t count, bool descending);

// Finds, counts and sorts the levels of CLASS predictor `i` over the used observations, then
// stores each observation's level index in its column. A response-only-missing observation
// whose level no used observation has gets -1.
void code_class_predictor(const proc_options &options, proc_data &data, int32_t i);

} // namespace quill::proc

#endif
