// The struct entry. Each struct is read through its size: the members it covers are the caller's,
// any member past it keeps its default, and a larger struct is accepted only when the bytes this
// library does not know are zero. The structs, as read, are the engine's request (runscad.h),
// which the positional entries fill as well, so the two kinds of entry cannot drift apart.
#include "struct_entry.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>


#include "message_codes.h"
#include "runscad.h"
#include "support/error_trail.h"

namespace quill::engine {

namespace {

constexpr const char* where = "quill_fit in MOD scad_types";
constexpr uint8_t byte_true = 0xFF;

// The first published size of each struct (it ended where cross-validation's members begin):
// nothing smaller can be a caller's. The result struct was published once more before it gained
// `aliased`; the controls before they gained `penalty`, and before `progress`.
constexpr std::size_t first_data_size = offsetof(quill_fit_data, folds);
constexpr std::size_t first_controls_size = offsetof(quill_fit_controls, cv_folds);
constexpr std::size_t cv_controls_size = offsetof(quill_fit_controls, penalty);
constexpr std::size_t penalty_controls_size = offsetof(quill_fit_controls, progress);
constexpr std::size_t first_result_size = offsetof(quill_fit_result, cv_se);
constexpr std::size_t cv_result_size = offsetof(quill_fit_result, aliased);

// The published sizes between the first and this library's, in order.
struct later_sizes {
    std::initializer_list<std::size_t> sizes;
    bool holds(std::size_t size) const {
        return std::find(sizes.begin(), sizes.end(), size) != sizes.end();
    }
    std::string listed() const {
        std::string text;
        for (std::size_t s : sizes) text += ", " + std::to_string(s);
        return text;
    }
};

// The caller's struct as this library knows it: its bytes up to its size, then the defaults in
// `out`. "" when it can be read, else why not.
template <class T>
std::string read_sized(const T* in, std::size_t first_size, const char* name, T& out,
                       later_sizes published = {}) {
    if (in == nullptr) return std::string("The argument ") + name + " of quill_fit is a null pointer.";
    const std::size_t size = in->size;
    if (size < first_size)
        return std::string("The size of ") + name + " (" + std::to_string(size) +
               ") is below the smallest this library accepts (" + std::to_string(first_size) + ").";
    // Between the first published size and this library's, only a published one is a caller's
    // (a struct that ends inside a member would leave that member half read).
    if (size > first_size && size < sizeof(T) && !published.holds(size))
        return std::string("The size of ") + name + " (" + std::to_string(size) +
               ") is neither a published one (" + std::to_string(first_size) + published.listed() +
               ") nor at least this library's (" + std::to_string(sizeof(T)) + ").";
    const auto* bytes = reinterpret_cast<const unsigned char*>(in);
    for (std::size_t k = sizeof(T); k < size; ++k)
        if (bytes[k] != 0)
            return std::string(name) + " has members this library does not know (size " +
                   std::to_string(size) + ", known " + std::to_string(sizeof(T)) +
                   "), and one of them is set.";
    std::memcpy(static_cast<void*>(&out), in, size < sizeof(T) ? size : sizeof(T));
    return "";
}

// The result struct can take a message when it is large enough and has a message array.
bool can_report(const quill_fit_result* result) {
    return result != nullptr && result->size >= first_result_size &&
           result->message_codes != nullptr && result->msg_len >= 1;
}

int32_t refuse(quill_fit_result* result, const std::string& sentence) {
    if (!can_report(result)) {
        if (result != nullptr && result->size >= first_result_size) result->error_flag = byte_true;
        return -1;
    }
    error_trail trail;
    fail(trail, where, sentence.c_str());
    write_message_codes(trail, result->message_codes, result->msg_len);
    result->error_flag = byte_true;
    return -1;
}

}  // namespace

int32_t run_struct_call(const quill_fit_data* data, const quill_fit_controls* controls,
                        quill_fit_result* result) {
    if (result == nullptr || result->size < first_result_size) return -1;
    quill_fit_result r{};
    std::string problem =
        read_sized(result, first_result_size, "quill_fit_result", r, {{cv_result_size}});
    quill_fit_data d{};
    quill_fit_controls c{};
    if (problem.empty()) problem = read_sized(data, first_data_size, "quill_fit_data", d);
    if (problem.empty())
        problem = read_sized(controls, first_controls_size, "quill_fit_controls", c,
                             {{cv_controls_size, penalty_controls_size}});
    if (problem.empty() && (c.threads < 0 || c.threads > QUILL_MAX_THREAD_LIMIT))
        problem = "The number of threads (" + std::to_string(c.threads) + ") must be from 0 to " +
                  std::to_string(QUILL_MAX_THREAD_LIMIT) + ".";
    if (problem.empty() && d.folds != nullptr && c.selection != QUILL_SELECTION_CV)
        problem = "Fold ids are given but the selection is not cross-validation.";
    if (problem.empty() && c.refit != 0 && c.selection == QUILL_SELECTION_CV)
        problem = "REFIT works with the BIC, GCV and EBIC selections, not with cross-validation.";
    if (!problem.empty()) return refuse(result, problem);

    r.min_lambda = c.min_lambda;
    r.max_lambda = c.max_lambda;
    r.cv_folds = 0;
    r.path_stop = QUILL_PATH_STOP_NONE;
    r.path_stop_index = 0;
    r.cv_se = std::numeric_limits<double>::quiet_NaN();
    const fit_request request{
        .data = d,
        .controls = c,
        .out = {.min_lambda = &r.min_lambda, .max_lambda = &r.max_lambda, .beta = r.beta,
                .intercept = &r.intercept, .se = r.se, .intercept_se = &r.intercept_se,
                .beta_path = r.beta_path, .lambda = &r.lambda, .criterion = &r.criterion,
                .simple_df = &r.simple_df, .df = &r.df, .best_index = &r.best_index,
                .num_iter = &r.num_iter, .converged = &r.converged,
                .at_max_lambda = &r.at_max_lambda, .at_min_lambda = &r.at_min_lambda,
                .error_flag = &r.error_flag, .msg_len = r.msg_len,
                .message_codes = r.message_codes, .table = r.table, .aliased = r.aliased,
                .cv_se = &r.cv_se, .cv_folds = &r.cv_folds, .path_stop = &r.path_stop,
                .path_stop_index = &r.path_stop_index},
        .entry = entry_kind::structs,
        .path_rows = c.grid_size};
    run_fit(request);
    // An older caller's struct is smaller: only its own bytes are written.
    std::memcpy(static_cast<void*>(result), &r, std::min(result->size, sizeof r));
    return r.error_flag == 0 ? 0 : -1;
}

void report_struct_failure(quill_fit_result* result) noexcept {
    if (result == nullptr || result->size < first_result_size) return;
    result->error_flag = byte_true;
    if (result->message_codes != nullptr && result->msg_len >= 1)
        write_message_codes("The engine stopped on an unexpected internal error.",
                            result->message_codes, result->msg_len);
}

}  // namespace quill::engine
