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

int check_fit_request(const fit_request& r, error_trail& trail) {
    const quill_fit_data& a = r.data;
    const fit_outputs& o = r.out;
    if (a.n < 0) return refuse(trail, "The number of observations n cannot be negative.");
    if (a.p < 0) return refuse(trail, "The number of design columns p cannot be negative.");
    if (a.p == 0)
        return refuse(trail, "There are no design columns (p = 0): the model needs a predictor.");
    // The path output is sized with argument 8 and the grid with option 4: they must agree.
    if (r.path_rows != r.controls.grid_size)
        return refuse(trail, "The grid size argument does not match option 4 of the option vector.");

    const bool rows = a.n > 0;
    const bool path = r.path_rows > 0;
    struct pointer_argument {
        const void* pointer;
        bool needed;
        const char* name;
        const char* member = nullptr;  // the struct entry's name, where it has the pointer
    };
    const pointer_argument pointers[] = {
        {a.x, rows, "raw_x", "x of quill_fit_data"},
        {a.y, rows, "y_vec", "y of quill_fit_data"},
        {a.forcein, true, "forcein_vec", "forcein of quill_fit_data"},
        {o.min_lambda, true, "min_lambda"},
        {o.max_lambda, true, "max_lambda"},
        {o.beta, true, "beta_out", "beta of quill_fit_result"},
        {o.intercept, true, "intercept_out"},
        {o.se, true, "se_out", "se of quill_fit_result"},
        {o.intercept_se, true, "intercept_se_out"},
        {o.beta_path, path, "beta_path_out", "beta_path of quill_fit_result"},
        {o.lambda, true, "lambda_out"},
        {o.criterion, true, "criterion_out"},
        {o.simple_df, true, "simple_df_out"},
        {o.df, true, "df_out"},
        {o.best_index, true, "best_index_out"},
        {o.num_iter, true, "num_iter_out"},
        {o.converged, true, "converged_out"},
        {o.at_max_lambda, true, "at_max_lambda"},
        {o.at_min_lambda, true, "at_min_lambda"},
    };
    for (const pointer_argument& arg : pointers)
        if (arg.needed && arg.pointer == nullptr)
            return r.entry == entry_kind::structs && arg.member ? null_member(trail, arg.member)
                                                                : null_pointer(trail, arg.name);

    const std::size_t n = static_cast<std::size_t>(a.n);
    for (int j = 0; j < a.p; ++j) {
        const double* column = a.x + static_cast<std::size_t>(j) * n;
        for (std::size_t i = 0; i < n; ++i)
            if (!std::isfinite(column[i]))
                return refuse(trail, "The design matrix has a missing or infinite value (row " +
                                         std::to_string(i + 1) + ", column " +
                                         std::to_string(j + 1) + ").");
    }
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isfinite(a.y[i]))
            return refuse(trail, "The response has a missing or infinite value (row " +
                                     std::to_string(i + 1) + ").");
    if (a.weights != nullptr)
        for (std::size_t i = 0; i < n; ++i)
            if (!(a.weights[i] >= 0.0) || !std::isfinite(a.weights[i]))
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
