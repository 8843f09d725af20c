#include "runscad_call.h"

#include <gtest/gtest.h>

namespace quill::engine::testing_support {

runscad_call::runscad_call() {
    // Two predictors that are not collinear and a response with noise-like deviations.
    const double x1[] = {1, 2, 3, 4, 5, 6, 7, 8};
    const double x2[] = {3, -1, 4, 1, -5, 9, 2, -6};
    const double e[] = {0.3, -0.2, 0.1, -0.4, 0.2, 0.1, -0.3, 0.2};
    for (int i = 0; i < 8; ++i) x.push_back(x1[i]);
    for (int i = 0; i < 8; ++i) x.push_back(x2[i]);
    for (int i = 0; i < 8; ++i) y.push_back(1.0 + 2.0 * x1[i] - 0.5 * x2[i] + e[i]);
    forcein.assign(2, 0);
}

runscad_call runscad_call::on(int32_t n, int32_t p, std::vector<double> x, std::vector<double> y,
                              int32_t model_type) {
    runscad_call c;
    c.n = n;
    c.p = p;
    c.x = std::move(x);
    c.y = std::move(y);
    c.forcein.assign(p, 0);
    c.model_type = model_type;
    return c;
}

namespace {

std::size_t count(int32_t v) { return v > 0 ? static_cast<std::size_t>(v) : 0; }

}  // namespace

void runscad_call::resize_outputs() {
    beta.assign(count(p), -99.0);
    se.assign(count(p), -99.0);
    path.assign(count(p) * count(grid_size), -99.0);
    message.assign(msg_len > 0 ? static_cast<std::size_t>(msg_len) : 1, -5);
}

void runscad_call::run() {
    resize_outputs();
    testing::internal::CaptureStdout();  // the resets announce themselves
    runscad(p, n, x.data(), y.data(), nullptr, forcein.data(), options.data(), grid_size,
            tolerance, &min_lambda, &max_lambda, model_type, a, beta.data(), &intercept,
            se.data(), &intercept_se, path.data(), &lambda, &criterion, &simple_df, &df, &best,
            &num_iter, &converged, &at_max, &at_min, &error_flag, msg_len, message.data());
    printed = testing::internal::GetCapturedStdout();
}

void runscad_call::run_path() {
    resize_outputs();
    const std::size_t g = count(grid_size);
    grid_table& t = table;
    for (auto* v : {&t.lambda, &t.intercept, &t.bic, &t.aic, &t.gcv, &t.effective_df, &t.ebic})
        v->assign(g, -99.0);
    for (auto* v : {&t.simple_df, &t.num_iter}) v->assign(g, -99);
    for (auto* v : {&t.converged, &t.fitted, &t.tied}) v->assign(g, 7);
    const quill_grid_table columns{t.lambda.data(),    t.intercept.data(), t.bic.data(),
                                   t.aic.data(),       t.gcv.data(),       t.effective_df.data(),
                                   t.simple_df.data(), t.num_iter.data(),  t.converged.data(),
                                   t.fitted.data(),    t.tied.data(),      t.ebic.data(),
                                   nullptr,            nullptr,            nullptr,
                                   nullptr,            nullptr};
    testing::internal::CaptureStdout();
    runscad_path(p, n, x.data(), y.data(), nullptr, forcein.data(), options.data(), grid_size,
                 tolerance, &min_lambda, &max_lambda, model_type, a, beta.data(), &intercept,
                 se.data(), &intercept_se, path.data(), &lambda, &criterion, &simple_df, &df,
                 &best, &num_iter, &converged, &at_max, &at_min, &error_flag, msg_len,
                 message.data(), &columns);
    testing::internal::GetCapturedStdout();
}

std::string runscad_call::text() const {
    std::string s;
    for (int32_t c : message) {
        if (c == 0) break;
        s.push_back(static_cast<char>(c));
    }
    return s;
}

std::vector<std::string> runscad_call::lines() const {
    std::vector<std::string> out;
    const std::string s = text();
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = s.find("\r\n", start);
        out.push_back(s.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 2;
    }
    return out;
}

}  // namespace quill::engine::testing_support
