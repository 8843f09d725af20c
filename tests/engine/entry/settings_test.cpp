#include "entry/settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace quill::engine {
namespace {

std::string trimmed(const std::string& line) {
    const auto end = line.find_last_not_of(' ');
    return end == std::string::npos ? "" : line.substr(0, end + 1);
}

std::vector<std::string> lines_of(const error_trail& t) {
    std::vector<std::string> out;
    for (const auto& l : t.lines()) out.push_back(trimmed(l));
    return out;
}

// Every value given, as runscad passes them; a test overrides one field at a time.
struct settings_call {
    std::optional<int32_t> algorithm = 0, selection = 0, dfformula = 0, grid_size = 20,
                           max_iter = 100;
    std::optional<bool> robust = false;
    int32_t model_type = 0;
    std::optional<double> tolerance = 1e-8, threshold, final_threshold, a = 3.7, min_lambda,
                          max_lambda;
    bool omit_intercept = false;
    std::optional<bool> full_likelihood = false, center_y = false;

    int run(scad_session& s, error_trail& t) const {
        testing::internal::CaptureStdout();
        const int rc = run_load_scad_settings(
            {.algorithm = algorithm, .selection = selection, .dfformula = dfformula,
             .grid_size = grid_size, .max_iter = max_iter, .model_type = model_type,
             .robust = robust, .tolerance = tolerance, .threshold = threshold,
             .final_threshold = final_threshold, .a = a, .min_lambda = min_lambda,
             .max_lambda = max_lambda, .omit_intercept = omit_intercept,
             .full_likelihood = full_likelihood, .center_y = center_y},
            s, t);
        testing::internal::GetCapturedStdout();
        return rc;
    }
};

const char* const where = "OCCURRED IN: run_load_scad_settings in MOD scad_types";

// Runs the call and expects it to fail with exactly the line for `field` and the location.
void expect_invalid(const settings_call& c, const std::string& field) {
    scad_session s;
    error_trail t;
    EXPECT_EQ(c.run(s, t), -1) << field;
    const std::vector<std::string> expected{"Invalid input for " + field, where};
    EXPECT_EQ(lines_of(t), expected);
    // The raw line carries the name padded to 20 characters before the line's own padding.
    ASSERT_FALSE(t.lines().empty());
    EXPECT_EQ(t.lines()[0].size(), 80u);
}

void expect_accepted(const settings_call& c, const char* what) {
    scad_session s;
    error_trail t;
    EXPECT_EQ(c.run(s, t), 0) << what;
    EXPECT_TRUE(t.lines().empty()) << what << ": " << (t.lines().empty() ? "" : t.lines()[0]);
}

TEST(Settings, IntegerCodesFailOutsideTheirRangeNegativesIncluded) {
    for (int32_t bad : {2, -1, std::numeric_limits<int32_t>::min()}) {
        settings_call c;
        c.algorithm = bad;
        expect_invalid(c, "algorithm");
        c = {};
        c.selection = bad == 2 ? 3 : bad;  // 2 is EBIC
        expect_invalid(c, "selection");
        c = {};
        c.dfformula = bad;
        expect_invalid(c, "dfformula");
    }
    for (int32_t bad : {3, -1}) {
        settings_call c;
        c.model_type = bad;
        expect_invalid(c, "model_type");
    }
}

TEST(Settings, GridSizeAndIterationLimitBoundaries) {
    for (int32_t ok : {1, 1000}) {
        settings_call c;
        c.grid_size = ok;
        expect_accepted(c, "grid_size");
    }
    for (int32_t bad : {0, 1001, -5}) {
        settings_call c;
        c.grid_size = bad;
        expect_invalid(c, "grid_size");
    }
    settings_call c;
    c.max_iter = 1;
    expect_accepted(c, "max_iter 1");
    for (int32_t bad : {0, -1, std::numeric_limits<int32_t>::min()}) {
        c.max_iter = bad;
        expect_invalid(c, "max_iter");
    }
}

TEST(Settings, RealValuesAreOpenIntervalsAndNaNFails) {
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    struct field_case {
        std::optional<double> settings_call::*field;
        const char* name;
        std::vector<double> good, bad;
    };
    const std::vector<field_case> cases{
        {&settings_call::tolerance, "tolerance", {0.999, 1e-300}, {1.0, 0.0, -1e-9, nan}},
        {&settings_call::threshold, "threshold", {0.5}, {1.0, 0.0, nan}},
        {&settings_call::final_threshold, "final_threshold", {0.5}, {1.0, 0.0, nan}},
        {&settings_call::a, "a", {2.0000001, 1e300}, {2.0, inf, std::numeric_limits<double>::max(), nan}},
        {&settings_call::min_lambda, "min_lambda", {0.0, 9999.99}, {-1e-12, 10000.0, nan}},
        {&settings_call::max_lambda, "max_lambda", {0.0, 9999.99}, {10000.0, nan}},
    };
    for (const auto& fc : cases) {
        for (double v : fc.good) {
            settings_call c;
            c.*fc.field = v;
            expect_accepted(c, fc.name);
        }
        for (double v : fc.bad) {
            settings_call c;
            c.*fc.field = v;
            expect_invalid(c, fc.name);
        }
    }
}

TEST(Settings, LargestLambdaIsComparedWithTheStoredSmallest) {
    settings_call c;
    c.min_lambda = 5.0;
    c.max_lambda = 4.0;
    expect_invalid(c, "max_lambda");
    c.min_lambda.reset();  // compared with -1.0
    expect_accepted(c, "max_lambda without min_lambda");
    c.min_lambda = 4.0;
    expect_accepted(c, "equal ends");
    c.min_lambda = 0.0;
    c.max_lambda = -0.5;
    expect_invalid(c, "max_lambda");
}

TEST(Settings, FirstFailingCheckStopsAndEarlierValuesStay) {
    settings_call c;
    c.algorithm = 1;
    c.grid_size = 30;
    c.max_iter = 0;
    c.tolerance = 0.5;
    scad_session s;
    error_trail t;
    EXPECT_EQ(c.run(s, t), -1);
    EXPECT_EQ(s.settings.algorithm, 1);
    EXPECT_EQ(s.settings.grid_size, 30);
    EXPECT_EQ(s.settings.max_iter, 250);
    EXPECT_EQ(s.settings.tolerance, 1e-9);
    EXPECT_TRUE(s.is_null);
}

// Robust errors in every model: before, the logistic and Poisson models refused them.
TEST(Settings, RobustErrorsInEveryModel) {
    settings_call c;
    c.robust = true;
    for (int32_t model : {0, 1, 2}) {
        scad_session s;
        error_trail t;
        c.model_type = model;
        ASSERT_EQ(c.run(s, t), 0) << model;
        EXPECT_EQ(s.settings.model_based_se, 0) << model;
    }
    c.model_type = 1;
    c.robust = false;
    scad_session s3;
    error_trail t3;
    ASSERT_EQ(c.run(s3, t3), 0);
    EXPECT_EQ(s3.settings.model_based_se, 1);
}

TEST(Settings, InterceptChoicesAndTheirSentences) {
    const std::string both = "Cannot specify both omit_intercept and center_y.";
    const std::string omit = "QUILLFIT cannot omit the intercept in a nonlinear model.";
    const std::string center = "QUILLFIT cannot center the response variable in a nonlinear model.";
    struct row {
        int32_t model;
        bool omit, center;
        std::string sentence;  // empty: accepted
    };
    const std::vector<row> rows{
        {0, true, false, ""},      {0, false, true, ""},    {0, true, true, both},
        {2, true, true, both},     {1, true, false, omit},  {2, false, true, center},
        {1, false, false, ""},
    };
    for (const row& r : rows) {
        settings_call c;
        c.model_type = r.model;
        c.omit_intercept = r.omit;
        c.center_y = r.center;
        scad_session s;
        error_trail t;
        const int rc = c.run(s, t);
        if (r.sentence.empty()) {
            EXPECT_EQ(rc, 0);
        } else {
            EXPECT_EQ(rc, -1);
            EXPECT_EQ(lines_of(t), (std::vector<std::string>{r.sentence, where}));
        }
    }
}

}  // namespace
}  // namespace quill::engine
