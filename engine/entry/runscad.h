// The engine's internal form of a call, whichever entry it came through: the struct entry's data
// and controls, and where each result goes. quill_fit fills it from its structs; runscad and
// runscad_path name their arguments into it, the option vector unpacked into the controls
// (runscad_entry.cpp). The C boundary catches what nothing else may let escape.
#pragma once

#include <cstdint>

#include "quill/runscad.h"
#include "support/error_trail.h"

namespace quill::engine {

// Which entry a call came through: the messages name its arguments, and only the struct entry
// can ask for cross-validation.
enum class entry_kind { positional, structs };

// Where the results go; pointers are the caller's storage (the struct entry's: its result
// struct's members). A null cv_se, cv_folds, path_stop or aliased is not written.
struct fit_outputs {
    double* min_lambda;  // the grid's ends (given ends: controls.min_lambda, max_lambda)
    double* max_lambda;
    double* beta;
    double* intercept;
    double* se;
    double* intercept_se;
    double* beta_path;
    double* lambda;
    double* criterion;
    int32_t* simple_df;
    int32_t* df;
    int32_t* best_index;
    int32_t* num_iter;
    uint8_t* converged;
    uint8_t* at_max_lambda;
    uint8_t* at_min_lambda;
    uint8_t* error_flag;
    int32_t msg_len;
    int32_t* message_codes;
    const quill_grid_table* table;
    uint8_t* aliased = nullptr;
    double* cv_se = nullptr;
    int32_t* cv_folds = nullptr;
    int32_t* path_stop = nullptr;  // with path_stop_index: why and where a descent path stopped
    int32_t* path_stop_index = nullptr;
};

struct fit_request {
    quill_fit_data data;          // weights null: every weight 1
    quill_fit_controls controls;  // threads 0: QUILL_THREADS or every core; trace 0: silent
    fit_outputs out;
    entry_kind entry = entry_kind::positional;
    int32_t path_rows = 0;  // the rows beta_path has room for: runscad's grid_size argument
};

// The call's opening: the error flag cleared, the convergence flag and intercept zeroed. false
// when nothing can be reported (no error flag, or no message array: the flag is then set).
bool open_call(const fit_outputs& out);

// The failure exit: the trail's lines into the message array and the error flag set.
void report_failure(const fit_outputs& out, const error_trail& trail);

// Runs the whole estimation and fills the outputs, or sets the error flag and the message.
void run_fit(const fit_request& request);

// Last resort of the boundary: reports a failure that escaped as an exception. Allocates nothing.
void report_unexpected_failure(const fit_outputs& out) noexcept;

}  // namespace quill::engine
