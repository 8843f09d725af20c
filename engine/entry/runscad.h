// The steps of one runscad (or runscad_path) call, in C++ over the call's arguments. The C
// boundary (runscad_entry.cpp) packs the arguments and catches what nothing else may let escape.
#pragma once

#include <cstdint>

#include "quill/runscad.h"
#include "support/error_trail.h"

namespace quill::engine {

// Which entry a call came through: the messages name its arguments, and the positional entries
// carry the thread limit and the trace switch packed into the start option.
enum class entry_kind { positional, structs };

// The arguments of runscad in their order, then runscad_path's table (null for runscad), then
// what only the struct entry sets; pointers are the caller's storage.
struct runscad_arguments {
    int32_t p;
    int32_t n;
    const double* raw_x;
    const double* y_vec;
    const double* case_weights_vec;
    const uint8_t* forcein_vec;
    const int32_t* option_vector;
    int32_t grid_size;
    double tolerance;
    double* min_lambda;
    double* max_lambda;
    int32_t model_type;
    double a;
    double* beta_out;
    double* intercept_out;
    double* se_out;
    double* intercept_se_out;
    double* beta_path_out;
    double* lambda_out;
    double* criterion_out;
    int32_t* simple_df_out;
    int32_t* df_out;
    int32_t* best_index_out;
    int32_t* num_iter_out;
    uint8_t* converged_out;
    uint8_t* at_max_lambda;
    uint8_t* at_min_lambda;
    uint8_t* error_flag;
    int32_t msg_len;
    int32_t* message_codes;
    const quill_grid_table* table;
    entry_kind entry = entry_kind::positional;
    bool read_weights = false; // struct entry with weights: case_weights_vec is read
    const double* offset = nullptr;  // struct entry: the n known terms of eta, or null
    double ebic_gamma = 0.5;   // struct entry: the controls' ebic_gamma
    int32_t thread_limit = 0;  // struct entry: 0 (QUILL_THREADS or every core) or the limit
    bool quiet = false;        // struct entry: no trace lines
    uint8_t* aliased_out = nullptr;  // struct entry: p flags, the aliased design columns, or null
};

// The first checks of every call: the option vector is there and its intercept_mode valid.
int begin_call(const runscad_arguments& args, error_trail& trail);

// Runs the whole estimation and fills the outputs, or sets the error flag and the message.
void run_scad_call(const runscad_arguments& args);

// Last resort of the boundary: reports a failure that escaped as an exception. Allocates nothing.
void report_unexpected_failure(const runscad_arguments& args) noexcept;

}  // namespace quill::engine
