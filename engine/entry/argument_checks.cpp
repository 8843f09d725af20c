// Argument checks at the engine's boundary. Each failure is one sentence naming what is wrong,
// followed by runscad's location line.
#include "argument_checks.h"

#include <cmath>
#include <cstddef>
#include <string>

#include "quill/runscad.h"
#include "records/option_codes.h"

namespace quill::engine {

namespace {

constexpr const char* where = "runscad in MOD scad_types";

int refuse(error_trail& trail, const std::string& sentence) {
    return fail(trail, where, sentence.c_str());
}

int null_pointer(error_trail& trail, const char* name) {
    return refuse(trail, std::string("The argument ") + name + " of runscad is a null pointer.");
}

// The struct entry's name for a member: "x of quill_fit_data".
int null_member(error_trail& trail, const char* name) {
    return refuse(trail, std::string("The member ") + name + " is a null pointer.");
}

}  // namespace

int check_intercept_mode(int32_t intercept_mode, error_trail& trail) {
    if (intercept_mode >= intercept_fitted && intercept_mode <= intercept_omitted) return 0;
    return refuse(trail, "Invalid input for intercept_mode");
}

int check_runscad_arguments(const runscad_arguments& a, error_trail& trail) {
    if (a.n < 0) return refuse(trail, "The number of observations n cannot be negative.");
    if (a.p < 0) return refuse(trail, "The number of design columns p cannot be negative.");
    if (a.p == 0)
        return refuse(trail, "There are no design columns (p = 0): the model needs a predictor.");
    // The path output is sized with argument 8 and the grid with option 4: they must agree.
    if (a.grid_size != a.option_vector[QUILL_OPT_GRID_SIZE])
        return refuse(trail, "The grid size argument does not match option 4 of the option vector.");

    const bool rows = a.n > 0;
    const bool path = a.grid_size > 0;
    struct pointer_argument {
        const void* pointer;
        bool needed;
        const char* name;
        const char* member = nullptr;  // the struct entry's name, where it has the pointer
    };
    const pointer_argument pointers[] = {
        {a.raw_x, rows, "raw_x", "x of quill_fit_data"},
        {a.y_vec, rows, "y_vec", "y of quill_fit_data"},
        {a.forcein_vec, true, "forcein_vec", "forcein of quill_fit_data"},
        {a.min_lambda, true, "min_lambda"},
        {a.max_lambda, true, "max_lambda"},
        {a.beta_out, true, "beta_out", "beta of quill_fit_result"},
        {a.intercept_out, true, "intercept_out"},
        {a.se_out, true, "se_out", "se of quill_fit_result"},
        {a.intercept_se_out, true, "intercept_se_out"},
        {a.beta_path_out, path, "beta_path_out", "beta_path of quill_fit_result"},
        {a.lambda_out, true, "lambda_out"},
        {a.criterion_out, true, "criterion_out"},
        {a.simple_df_out, true, "simple_df_out"},
        {a.df_out, true, "df_out"},
        {a.best_index_out, true, "best_index_out"},
        {a.num_iter_out, true, "num_iter_out"},
        {a.converged_out, true, "converged_out"},
        {a.at_max_lambda, true, "at_max_lambda"},
        {a.at_min_lambda, true, "at_min_lambda"},
    };
    for (const pointer_argument& arg : pointers)
        if (arg.needed && arg.pointer == nullptr)
            return a.entry == entry_kind::structs && arg.member ? null_member(trail, arg.member)
                                                                : null_pointer(trail, arg.name);

    const std::size_t n = static_cast<std::size_t>(a.n);
    for (int j = 0; j < a.p; ++j) {
        const double* column = a.raw_x + static_cast<std::size_t>(j) * n;
        for (std::size_t i = 0; i < n; ++i)
            if (!std::isfinite(column[i]))
                return refuse(trail, "The design matrix has a missing or infinite value (row " +
                                         std::to_string(i + 1) + ", column " +
                                         std::to_string(j + 1) + ").");
    }
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isfinite(a.y_vec[i]))
            return refuse(trail, "The response has a missing or infinite value (row " +
                                     std::to_string(i + 1) + ").");
    if (a.read_weights)
        for (std::size_t i = 0; i < n; ++i)
            if (!(a.case_weights_vec[i] >= 0.0) || !std::isfinite(a.case_weights_vec[i]))
                return refuse(trail, "The case weight of row " + std::to_string(i + 1) +
                                         " is negative, missing or infinite.");
    if (a.offset != nullptr)
        for (std::size_t i = 0; i < n; ++i)
            if (!std::isfinite(a.offset[i]))
                return refuse(trail, "The offset has a missing or infinite value (row " +
                                         std::to_string(i + 1) + ").");
    return 0;
}

}  // namespace quill::engine
