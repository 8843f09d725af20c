#include "cv_run.h"

#include <time.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "quill/runscad.h"

namespace quill::bench {

namespace {

double process_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

struct call {
    double seconds = 0.0, cpu = 0.0;
    quill_fit_result result{};
    std::vector<double> beta, se, path, cv_error, cv_se;
    std::vector<int32_t> message;
};

call run(const synthetic_data& data, model m, int G, bool warm, int32_t selection, int folds,
         quill_fit_function fit) {
    const std::vector<uint8_t> forcein(static_cast<std::size_t>(data.p), 0);
    quill_fit_data d{};
    d.size = sizeof d;
    d.p = data.p;
    d.n = data.n;
    d.x = data.x.data();
    d.y = data.y.data();
    d.forcein = forcein.data();
    quill_fit_controls c{};
    c.size = sizeof c;
    c.model_type = static_cast<int32_t>(m);
    c.selection = selection;
    c.grid_size = G;
    c.max_iter = 250;
    c.start = warm ? QUILL_START_PREVIOUS : QUILL_START_UNPENALIZED;
    c.tolerance = 1e-9;
    c.a = 3.7;
    c.min_lambda = QUILL_MAX_LAMBDA_AUTOMATIC;
    c.max_lambda = QUILL_MAX_LAMBDA_AUTOMATIC;
    c.cv_folds = folds;
    call k;
    k.beta.resize(static_cast<std::size_t>(data.p));
    k.se = k.beta;
    k.path.resize(static_cast<std::size_t>(G) * data.p);
    k.cv_error.resize(static_cast<std::size_t>(G));
    k.cv_se = k.cv_error;
    k.message.assign(3001, 0);
    quill_grid_table table{};
    table.cv_error = k.cv_error.data();
    table.cv_se = k.cv_se.data();
    k.result.size = sizeof k.result;
    k.result.beta = k.beta.data();
    k.result.se = k.se.data();
    k.result.beta_path = k.path.data();
    k.result.table = &table;
    k.result.msg_len = static_cast<int32_t>(k.message.size());
    k.result.message_codes = k.message.data();
    const double cpu = process_seconds();
    const auto begin = std::chrono::steady_clock::now();
    fit(&d, &c, &k.result);
    k.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    k.cpu = process_seconds() - cpu;
    k.result.table = nullptr;
    return k;
}

std::string text_of(const std::vector<int32_t>& codes) {
    std::string s;
    for (int32_t c : codes) {
        if (c == 0) break;
        s += static_cast<char>(c);
    }
    return s;
}

}  // namespace

cv_timing time_cv(const synthetic_data& data, model m, int G, bool warm, int folds,
                  quill_fit_function fit) {
    const call path = run(data, m, G, warm, QUILL_SELECTION_BIC, 0, fit);
    const call cv = run(data, m, G, warm, QUILL_SELECTION_CV, folds, fit);
    cv_timing t;
    t.path_seconds = path.seconds;
    t.path_cpu_seconds = path.cpu;
    t.cv_seconds = cv.seconds;
    t.cv_cpu_seconds = cv.cpu;
    t.failed = path.result.error_flag != 0 || cv.result.error_flag != 0;
    if (t.failed) {
        t.message = text_of(path.result.error_flag != 0 ? path.message : cv.message);
        return t;
    }
    t.lambda = cv.result.lambda;
    t.cv_error = cv.result.criterion;
    t.cv_se = cv.result.cv_se;
    for (double b : cv.beta) t.nonzero += b != 0.0 ? 1 : 0;
    t.table = cv.cv_error;
    t.table.insert(t.table.end(), cv.cv_se.begin(), cv.cv_se.end());
    t.beta = cv.beta;
    return t;
}

}  // namespace quill::bench
