#include "entry/dataset.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "support/allocation.h"
#include "support/fault_injector.h"

namespace quill::engine {
namespace {

std::vector<std::string> lines_of(const error_trail& t) {
    std::vector<std::string> out;
    for (const auto& l : t.lines()) out.push_back(l.substr(0, l.find_last_not_of(' ') + 1));
    return out;
}

const char* const load_where = "OCCURRED IN: run_load_scad_dataset in MOD scad_types";

dbl1 vector_of(const std::vector<double>& values) {
    error_trail t;
    dbl1 v;
    dbl1_alloc(v, static_cast<int>(values.size()), t);
    for (std::size_t i = 0; i < values.size(); ++i) v.data()[i] = values[i];
    return v;
}

// Inputs of a small load: column 1 = (1, 2, 3, 4), column 2 = (2, 0, 2, 0).
struct load_inputs {
    dbl2 raw_x;
    dbl1 y;
    log1 forcein;
    dbl1 weights;

    explicit load_inputs(std::vector<double> response = {1.0, 3.0, 2.0, 6.0}) {
        error_trail t;
        const int n = static_cast<int>(response.size());
        dbl2_alloc(raw_x, n, 2, t);
        for (int i = 1; i <= n; ++i) {
            raw_x(i, 1) = i;
            raw_x(i, 2) = i % 2 ? 2.0 : 0.0;
        }
        y = vector_of(response);
        log1_alloc(forcein, 2, t);
        forcein(1) = true;
        forcein(2) = false;
        weights = vector_of(std::vector<double>(n, 1.0));
    }

    int load(scad_session& s, error_trail& t) {
        testing::internal::CaptureStdout();
        const int rc = run_load_scad_dataset(raw_x, y, forcein, weights, s, t);
        testing::internal::GetCapturedStdout();
        return rc;
    }
};

TEST(DatasetLoad, InterceptColumnStandardizedColumnsAndCrossProduct) {
    load_inputs in;
    scad_session s;
    error_trail t;
    ASSERT_EQ(in.load(s, t), 0);
    const scad_dataset& d = s.dataset;
    EXPECT_FALSE(s.is_null);
    EXPECT_FALSE(d.is_null);
    EXPECT_EQ(d.n, 4);
    EXPECT_EQ(d.p, 2);
    ASSERT_EQ(d.x.extent(1), 3);
    EXPECT_DOUBLE_EQ(d.y_mean, 3.0);
    // sqrt(4 + 0 + 1 + 9) / 3: the root of the sum of squares over n - 1.
    EXPECT_DOUBLE_EQ(d.y_spread, std::sqrt(14.0) / 3.0);
    EXPECT_DOUBLE_EQ(d.x_center(1), 2.5);
    EXPECT_DOUBLE_EQ(d.x_scale(1), 5.0 / 3.0);  // a variance, divisor n - 1
    EXPECT_DOUBLE_EQ(d.x_scale(2), 4.0 / 3.0);
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(d.x(i, 1), 1.0);
        EXPECT_NEAR(d.x(i, 2), (i - 2.5) / std::sqrt(5.0 / 3.0), 1e-15);
        EXPECT_EQ(d.y(i), in.y(i));  // not centred
    }
    // Standardized columns have mean 0 and squared length n - 1.
    for (int a = 1; a <= 3; ++a)
        for (int b = 1; b <= 3; ++b) {
            double expected = 0.0;
            for (int i = 1; i <= 4; ++i) expected += d.x(i, a) * d.x(i, b);
            EXPECT_NEAR(d.xtx(a, b), expected, 1e-13);
            EXPECT_EQ(d.xtx(a, b), d.xtx(b, a));
        }
    EXPECT_NEAR(d.xtx(1, 1), 4.0, 1e-15);
    EXPECT_NEAR(d.xtx(2, 2), 3.0, 1e-14);
    EXPECT_NEAR(d.xtx(1, 2), 0.0, 1e-14);
    EXPECT_TRUE(d.forcein(1));
    EXPECT_FALSE(d.forcein(2));
}

TEST(DatasetLoad, CenteredResponseAndOmittedInterceptHaveNoInterceptColumn) {
    {
        load_inputs in;
        scad_session s;
        s.settings.center_y = true;
        error_trail t;
        ASSERT_EQ(in.load(s, t), 0);
        ASSERT_EQ(s.dataset.x.extent(1), 2);
        ASSERT_EQ(s.dataset.xtx.extent(0), 2);
        double sum = 0.0;
        for (int i = 1; i <= 4; ++i) sum += s.dataset.y(i);
        EXPECT_NEAR(sum, 0.0, 1e-15);
        EXPECT_EQ(s.dataset.y(4), 3.0);
        EXPECT_NEAR(s.dataset.x(1, 1), -1.5 / std::sqrt(5.0 / 3.0), 1e-15);
    }
    {
        load_inputs in;
        scad_session s;
        s.settings.omit_intercept = true;
        error_trail t;
        ASSERT_EQ(in.load(s, t), 0);
        ASSERT_EQ(s.dataset.x.extent(1), 2);
        EXPECT_EQ(s.dataset.y(4), 6.0);
    }
}

TEST(DatasetLoad, TooLittleOrConstantResponseFailsForEveryModel) {
    for (int32_t model : {0, 1, 2}) {
        for (const std::vector<double>& response :
             {std::vector<double>{1.0}, std::vector<double>{}, std::vector<double>{1, 1, 1, 1}}) {
            load_inputs in(response);
            scad_session s;
            s.settings.model_type = model;
            s.initialfit.is_null = false;
            s.is_null = false;
            error_trail t;
            EXPECT_EQ(in.load(s, t), -1);
            EXPECT_EQ(lines_of(t), (std::vector<std::string>{
                                       "Not enough data in the response variable.", load_where}));
            EXPECT_TRUE(s.is_null);
            if (response.size() < 2) {
                EXPECT_FALSE(s.initialfit.is_null);  // nothing cleared yet
            }
        }
    }
}

TEST(DatasetLoad, ShapeMismatchesFailAsNotConformable) {
    for (int which = 0; which < 3; ++which) {
        load_inputs in;
        error_trail setup;
        if (which == 0) dbl2_alloc(in.raw_x, 3, 2, setup);
        if (which == 1) log1_alloc(in.forcein, 3, setup);
        if (which == 2) in.weights = vector_of({1.0, 1.0});
        scad_session s;
        error_trail t;
        EXPECT_EQ(in.load(s, t), -1) << which;
        EXPECT_EQ(lines_of(t), (std::vector<std::string>{
                                   "Dimensions of matrix arguments not conformable", load_where}));
    }
    load_inputs in;
    in.forcein.release();
    scad_session s;
    error_trail t;
    EXPECT_EQ(in.load(s, t), -1);
    EXPECT_EQ(lines_of(t)[0], "The data handed to the loader are not allocated.");
}

TEST(DatasetLoad, ConstantPredictorReportsTheStandardizationNotMemory) {
    load_inputs in;
    for (int i = 1; i <= 4; ++i) in.raw_x(i, 2) = 5.0;
    scad_session s;
    error_trail t;
    EXPECT_EQ(in.load(s, t), -1);
    EXPECT_EQ(lines_of(t), (std::vector<std::string>{
                               "Column 2 of the dataset had zero variance (every value the same)",
                               "OCCURRED IN: standardize_real_matrix in MOD matrix_methods",
                               load_where}));
    EXPECT_TRUE(s.is_null);
    EXPECT_TRUE(s.dataset.is_null);
}

TEST(DatasetLoad, EveryAllocationFailureNamesItsArrayAndLeavesTheSessionNull) {
    const std::vector<std::string> names{"y",        "case_weights", "forcein", "x",
                                         "xtx",      "x_center",     "x_scale",  "xty"};
    for (std::size_t k = 0; k < names.size(); ++k) {
        load_inputs in;
        scad_session s;
        error_trail t;
        fault_injector::fail_allocation_at(static_cast<long>(k) + 1);
        EXPECT_EQ(in.load(s, t), -1);
        fault_injector::disarm();
        const auto lines = lines_of(t);
        ASSERT_EQ(lines.size(), 5u) << names[k];
        EXPECT_EQ(lines[0], "Unable to allocate memory for object");
        EXPECT_EQ(lines[1], names[k]);
        EXPECT_EQ(lines[3], "Unable to allocate memory for object");
        EXPECT_EQ(lines[4], load_where);
        EXPECT_TRUE(s.is_null);
        EXPECT_FALSE(s.dataset.x.allocated());
    }
}

TEST(ResponseCheck, LogisticAndPoissonValues) {
    const std::string binary = "Numerical y values for a binary logistic regression should be 0's and 1's.";
    const std::string counts =
        "Numerical y values for a Poisson logistic regression should be nonnegative integers.";
    struct row {
        std::vector<double> y;
        int32_t model;
        bool allowed;
    };
    const std::vector<row> rows{
        {{0, 1, 1, 0}, 1, true},    {{0, 2}, 1, false},       {{0, 0.5}, 1, false},
        {{-1, 1}, 1, false},        {{0, 3, 7}, 2, true},     {{-1, 2}, 2, false},
        {{2.5, 1}, 2, false},       {{-7.5, 0.1}, 0, true},   {{std::nan(""), 1}, 1, false},
        // Whole exactly on the double: counts beyond 32 bits are counts, a value next to a
        // whole number is not one.
        {{3e9, 1}, 2, true},        {{1e18, 0}, 2, true},     {{1, 1 + 1e-10}, 2, false},
        {{1, 1 + 1e-8}, 2, false},  {{1, std::numeric_limits<double>::infinity()}, 2, false},
    };
    for (const row& r : rows) {
        error_trail t;
        const dbl1 y = vector_of(r.y);
        EXPECT_EQ(scad_y_is_allowable(y, r.model, t), r.allowed) << r.y[0] << " model " << r.model;
        if (r.allowed) {
            EXPECT_TRUE(t.lines().empty());
        } else {
            // The Poisson sentence is longer than a trail line and continues on the next.
            const std::string where = "OCCURRED IN: scad_y_is_allowable in MOD scad_types";
            const std::vector<std::string> expected =
                r.model == 1 ? std::vector<std::string>{binary, where}
                             : std::vector<std::string>{counts.substr(0, 74), counts.substr(75),
                                                        where};
            EXPECT_EQ(lines_of(t), expected);
        }
    }
    EXPECT_TRUE(is_whole_vector(vector_cview()));
    EXPECT_TRUE(is_whole_vector(vector_of({-2147483648.0, 2147483647.0})));
    EXPECT_TRUE(is_whole_vector(vector_of({2147483648.0, -1e300})));
    EXPECT_FALSE(is_whole_vector(vector_of({4503599627370495.5})));  // 2^52 - 0.5
}

}  // namespace
}  // namespace quill::engine
