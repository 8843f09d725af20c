// PENALTY MCP and LASSO beside SCAD: the descent path's solutions equal ncvreg's where the
// objective is convex (oracle/penalty_kinds.R) and meet the KKT conditions of each penalty; the
// LQA path meets them as closely as its zero threshold allows; the full path's top follows each
// penalty's reach; the control's code and A are checked per penalty, and a caller whose struct
// ends before the control gets SCAD.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "kkt_check.h"
#include "quill_fit_call.h"

namespace quill::engine {
namespace {

#include "oracle/penalty_kinds.inc"

using testing_support::kkt_violation;
using testing_support::quill_fit_call;

quill_fit_call penalty_call(int n, int p, const double* x, const double* y, int32_t model,
                            int32_t penalty, int32_t grid) {
    quill_fit_call c(n, p, std::vector<double>(x, x + static_cast<std::size_t>(n) * p),
                     std::vector<double>(y, y + n), model, grid);
    c.controls.penalty = penalty;
    c.controls.a = penalty == QUILL_PENALTY_MCP ? 3.0 : 3.7;
    c.controls.dfformula = QUILL_DF_COUNT;
    c.controls.tolerance = 1e-12;
    return c;
}

// The descent path against the stored solution, grid value by grid value, and its conditions.
void expect_solution(quill_fit_call& c, double lo, double hi, const double* want_path,
                     double kkt_limit) {
    c.controls.algorithm = QUILL_ALGORITHM_ICM;
    c.controls.min_lambda = lo;
    c.controls.max_lambda = hi;
    c.run();
    ASSERT_FALSE(c.failed()) << c.text();
    expect_path_solution(c, want_path, kkt_limit);
}

TEST(PenaltyKinds, DescentPathSolvesMcpAndLassoAsNcvregDoes) {
    quill_fit_call mcp = penalty_call(normal_n, normal_p, normal_x, normal_y, QUILL_MODEL_NORMAL,
                                      QUILL_PENALTY_MCP, normal_G);
    expect_solution(mcp, normal_min_lambda, normal_max_lambda, normal_mcp_path, 1e-8);
    quill_fit_call lasso = penalty_call(normal_n, normal_p, normal_x, normal_y, QUILL_MODEL_NORMAL,
                                        QUILL_PENALTY_LASSO, normal_G);
    expect_solution(lasso, normal_min_lambda, normal_max_lambda, normal_lasso_path, 1e-8);
    // The logistic lasso: ncvreg's curvature rescaling leaves the lasso's objective as ours.
    quill_fit_call logistic = penalty_call(logistic_n, logistic_p, logistic_x, logistic_y,
                                           QUILL_MODEL_LOGISTIC, QUILL_PENALTY_LASSO, logistic_G);
    expect_solution(logistic, logistic_min_lambda, logistic_max_lambda, logistic_lasso_path, 1e-8);
}

double sd(const double* v, int n) {
    double mean = 0.0, ss = 0.0;
    for (int i = 0; i < n; ++i) mean += v[i] / n;
    for (int i = 0; i < n; ++i) ss += (v[i] - mean) * (v[i] - mean);
    return std::sqrt(ss / (n - 1));
}

// The LQA path sets a coefficient to 0 at 0.005 on the standardized scale (the response divided
// by its standard deviation for the normal model), so a zero's gradient may pass lambda by about
// that much; the logistic fits here keep no such coefficient and meet the conditions closely.
TEST(PenaltyKinds, LqaAndConditionalModesMeetTheConditionsOfEachPenalty) {
    const double normal_limit = 1.5 * 0.005 * sd(normal_y, normal_n);
    for (int32_t penalty : {QUILL_PENALTY_MCP, QUILL_PENALTY_LASSO}) {
        quill_fit_call n = penalty_call(normal_n, normal_p, normal_x, normal_y, QUILL_MODEL_NORMAL,
                                        penalty, 30);
        quill_fit_call l = penalty_call(logistic_n, logistic_p, logistic_x, logistic_y,
                                        QUILL_MODEL_LOGISTIC, penalty, 30);
        for (quill_fit_call* c : {&n, &l}) {
            c->controls.max_lambda = QUILL_MAX_LAMBDA_FULL;
            c->run();
            ASSERT_FALSE(c->failed()) << c->text();
            const double limit = c == &n ? normal_limit : 1e-8;
            for (int g = 0; g < 30; ++g)
                EXPECT_LT(kkt_violation(*c, g), limit) << penalty << " " << c->controls.model_type << " " << g;
        }
        // The sweep of conditional modes (the normal model on a centred response), thresholded by
        // the penalty's derivative, zeroes its small coefficients at the same 0.005.
        quill_fit_call icm = penalty_call(normal_n, normal_p, normal_x, normal_y, QUILL_MODEL_NORMAL,
                                          penalty, 30);
        icm.controls.algorithm = QUILL_ALGORITHM_ICM;
        icm.controls.intercept_mode = QUILL_INTERCEPT_CENTRE_Y;
        icm.run();
        ASSERT_FALSE(icm.failed()) << icm.text();
        for (int g = 0; g < 30; ++g) EXPECT_LT(kkt_violation(icm, g), normal_limit) << penalty << " " << g;
    }
}

// MAXLAMBDA FULL: SCAD and MCP leave a coefficient of the unpenalized fit beyond a lambda alone,
// so their top is at least max |b_j| / a; the lasso shrinks every coefficient, and its top is
// lambda_max = max |x_j'(y - ybar)| / n, where the all-zero fit is its minimum. Two columns that
// nearly cancel make the first bound the larger.
TEST(PenaltyKinds, FullPathTopFollowsEachPenaltysReach) {
    const int n = 60;
    std::vector<double> x(2 * n), y(n);
    for (int i = 0; i < n; ++i) {
        const double z = std::sin(1.7 * i + 0.3), e = std::cos(2.3 * i * i + 1.1);
        x[i] = z;
        x[n + i] = z + 0.1 * e;
        y[i] = 3.0 * x[i] - 3.0 * x[n + i] + 0.2 * std::sin(5.1 * i * i);
    }
    double lambda_max = 0.0;
    const double y_mean = [&] { double m = 0.0; for (double v : y) m += v / n; return m; }();
    for (int j = 0; j < 2; ++j) {
        const double* c = &x[static_cast<std::size_t>(j) * n];
        double mean = 0.0, g = 0.0;
        for (int i = 0; i < n; ++i) mean += c[i] / n;
        for (int i = 0; i < n; ++i) g += (c[i] - mean) / sd(c, n) * (y[i] - y_mean) / n;
        lambda_max = std::fmax(lambda_max, std::fabs(g));
    }
    double tops[3] = {};
    for (int32_t penalty : {QUILL_PENALTY_SCAD, QUILL_PENALTY_MCP, QUILL_PENALTY_LASSO}) {
        quill_fit_call c = penalty_call(n, 2, x.data(), y.data(), QUILL_MODEL_NORMAL, penalty, 10);
        c.controls.max_lambda = QUILL_MAX_LAMBDA_FULL;
        c.run();
        ASSERT_FALSE(c.failed()) << c.text();
        tops[penalty] = c.result.max_lambda;
        for (int j = 0; j < 2; ++j) EXPECT_EQ(c.path[9 + j * 10], 0.0) << penalty;
    }
    EXPECT_GE(tops[QUILL_PENALTY_LASSO], lambda_max * (1.0 - 1e-12));
    EXPECT_LE(tops[QUILL_PENALTY_LASSO], lambda_max * 1.01);
    EXPECT_GT(tops[QUILL_PENALTY_SCAD], 2.0 * lambda_max);
    EXPECT_GT(tops[QUILL_PENALTY_MCP], tops[QUILL_PENALTY_SCAD]);  // max |b_j| / 3 against / 3.7
}

// The control: SCAD when a caller's struct ends before it, a code outside 0 to 2 refused, A
// above 2 for SCAD and above 1 for MCP, and not read for the lasso.
TEST(PenaltyKinds, TheControlAndAAreCheckedPerPenalty) {
    auto call = [](int32_t penalty, double a) {
        quill_fit_call c = penalty_call(normal_n, normal_p, normal_x, normal_y, QUILL_MODEL_NORMAL,
                                        penalty, 10);
        c.controls.a = a;
        c.run();
        return c;
    };
    EXPECT_FALSE(call(QUILL_PENALTY_MCP, 1.5).failed());
    EXPECT_FALSE(call(QUILL_PENALTY_LASSO, 0.0).failed());
    const std::pair<int32_t, double> refused[] = {{QUILL_PENALTY_MCP, 1.0}, {QUILL_PENALTY_SCAD, 1.5},
                                                  {3, 3.7}, {-1, 3.7}};
    for (auto [penalty, a] : refused) {
        const quill_fit_call c = call(penalty, a);
        ASSERT_TRUE(c.failed()) << penalty << " " << a;
        const std::string text = c.text();
        EXPECT_EQ(text.substr(0, text.find_first_of("\r\n")),
                  penalty == QUILL_PENALTY_MCP || penalty == QUILL_PENALTY_SCAD ? "Invalid input for a"
                                                                                : "Invalid input for penalty");
    }
    // An older caller's struct: its size ends before the control, whose bytes it does not own.
    quill_fit_call scad = call(QUILL_PENALTY_SCAD, 3.7);
    quill_fit_call older = penalty_call(normal_n, normal_p, normal_x, normal_y, QUILL_MODEL_NORMAL,
                                        QUILL_PENALTY_LASSO, 10);
    older.controls.size = offsetof(quill_fit_controls, penalty);
    older.run();
    ASSERT_FALSE(older.failed()) << older.text();
    EXPECT_EQ(older.path, scad.path);
}

}  // namespace
}  // namespace quill::engine
