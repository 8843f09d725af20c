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

void runscad_call::run() {
    const std::size_t pp = p > 0 ? static_cast<std::size_t>(p) : 0;
    const std::size_t gg = grid_size > 0 ? static_cast<std::size_t>(grid_size) : 0;
    beta.assign(pp, -99.0);
    se.assign(pp, -99.0);
    path.assign(pp * gg, -99.0);
    message.assign(msg_len > 0 ? static_cast<std::size_t>(msg_len) : 1, -5);
    testing::internal::CaptureStdout();  // the resets announce themselves
    runscad(p, n, x.data(), y.data(), nullptr, forcein.data(), options.data(), grid_size,
            tolerance, &min_lambda, &max_lambda, model_type, a, beta.data(), &intercept,
            se.data(), &intercept_se, path.data(), &lambda, &criterion, &simple_df, &df, &best,
            &num_iter, &converged, &at_max, &at_min, &error_flag, msg_len, message.data());
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
