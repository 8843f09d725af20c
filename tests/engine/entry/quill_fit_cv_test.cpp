// SELECTION CV through quill_fit: the CV table equals the held-out deviances of separate fits on
// the training folds at the same grid, for the three models (weights in the Poisson case); the
// table does not depend on the thread count and a seed gives the same folds every time; both
// rules' picks are marked in the table whichever rule selects; the MIN and 1SE rules on a table
// checked by hand; the folds' refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "entry/cv_folds.h"
#include "estimation/cv_selection.h"
#include "estimation_fixture.h"
#include "quill_fit_call.h"
#include "runscad_call.h"
#include "synthetic_data.h"

namespace quill::engine {
namespace {

using testing_support::quill_fit_call;

double unit_deviance(int32_t model, double y, double mu) {
    auto ylog = [](double a, double b) { return a > 0.0 ? a * std::log(a / b) : 0.0; };
    if (model == QUILL_MODEL_LOGISTIC) return 2.0 * (ylog(y, mu) + ylog(1.0 - y, 1.0 - mu));
    if (model == QUILL_MODEL_POISSON) return 2.0 * (ylog(y, mu) - (y - mu));
    return (y - mu) * (y - mu);
}

// The CV table recomputed from k separate calls on the training rows at the call's grid.
void expect_cv_table_from_separate_fits(const quill_fit_call& cv, int32_t model, int k) {
    const int G = cv.controls.grid_size, n = cv.n, p = cv.p;
    std::vector<double> fold_loss(static_cast<std::size_t>(k) * G, 0.0), fold_weight(k, 0.0);
    for (int f = 1; f <= k; ++f) {
        std::vector<int> train, test;
        for (int i = 0; i < n; ++i) (cv.folds[i] == f ? test : train).push_back(i);
        std::vector<double> x, y, w;
        for (int j = 0; j < p; ++j)
            for (int i : train) x.push_back(cv.x[static_cast<std::size_t>(j) * n + i]);
        for (int i : train) y.push_back(cv.y[i]);
        quill_fit_call t(static_cast<int32_t>(train.size()), p, x, y, model, G);
        if (!cv.weights.empty())
            for (int i : train) t.weights.push_back(cv.weights[i]);
        t.controls.min_lambda = cv.lambda.front();
        t.controls.max_lambda = cv.lambda.back();
        t.controls.algorithm = cv.controls.algorithm;
        t.controls.tolerance = cv.controls.tolerance;
        t.controls.dfformula = cv.controls.dfformula;
        t.run();
        ASSERT_FALSE(t.failed()) << t.text();
        for (int g = 0; g < G; ++g) ASSERT_NEAR(t.lambda[g], cv.lambda[g], 1e-12 * cv.lambda[g]);
        // A grid value outside the fitted run (past an early stop, or below a saturated descent
        // path's end) takes the nearest fit.
        int first = 0, last = G;
        while (first < G && !t.fitted[first]) ++first;
        while (last > first && !t.fitted[last - 1]) --last;
        for (int g = 0; g < G; ++g) {
            const int from = std::clamp(g, first, last - 1);
            for (int i : test) {
                double eta = t.intercept[from];
                for (int j = 0; j < p; ++j)
                    eta += cv.x[static_cast<std::size_t>(j) * n + i] * t.path[from + static_cast<std::size_t>(j) * G];
                const double mu = model == QUILL_MODEL_NORMAL     ? eta
                                  : model == QUILL_MODEL_LOGISTIC ? 1.0 / (1.0 + std::exp(-eta))
                                                                  : std::exp(eta);
                const double w = cv.weights.empty() ? 1.0 : cv.weights[i];
                fold_loss[static_cast<std::size_t>(f - 1) * G + g] += w * unit_deviance(model, cv.y[i], mu);
                if (g == 0) fold_weight[f - 1] += w;
            }
        }
    }
    double total = 0.0;
    for (double w : fold_weight) total += w;
    for (int g = 0; g < G; ++g) {
        double error = 0.0, spread = 0.0;
        for (int f = 0; f < k; ++f) error += fold_loss[static_cast<std::size_t>(f) * G + g] / total;
        for (int f = 0; f < k; ++f) {
            const double e = fold_loss[static_cast<std::size_t>(f) * G + g] / fold_weight[f];
            spread += fold_weight[f] * (e - error) * (e - error);
        }
        EXPECT_NEAR(cv.cv_error[g], error, 1e-7 * error) << g;
        EXPECT_NEAR(cv.cv_se[g], std::sqrt(spread / total / (k - 1)), 1e-6 * error) << g;
    }
    const int b = cv.result.best_index - 1;
    EXPECT_EQ(cv.result.criterion, cv.cv_error[b]);
    EXPECT_EQ(cv.result.cv_se, cv.cv_se[b]);
    EXPECT_EQ(cv.result.cv_folds, k);
    EXPECT_EQ(cv.result.lambda, cv.lambda[b]);
}

TEST(QuillFitCv, CvTableIsTheHeldOutDevianceOfSeparateFitsOnTheTrainingFolds) {
    const std::vector<double> coef = {0.3, 0.8, -0.5, 0.0, 0.0, 0.4};
    for (const int32_t model : {QUILL_MODEL_NORMAL, QUILL_MODEL_LOGISTIC, QUILL_MODEL_POISSON}) {
        SCOPED_TRACE(model);
        const testing::data_set d =
            testing::synthetic(90, coef, static_cast<testing::model>(model), 1.0, 11);
        quill_fit_call cv(d.n, d.p, d.x, d.y, model, 12);
        cv.controls.selection = QUILL_SELECTION_CV;
        for (int i = 0; i < d.n; ++i) cv.folds.push_back((i * 5) % 4 + 1);
        if (model == QUILL_MODEL_POISSON)
            for (int i = 0; i < d.n; ++i) cv.weights.push_back(1 + i % 3);
        cv.run();
        ASSERT_FALSE(cv.failed()) << cv.text();
        expect_cv_table_from_separate_fits(cv, model, 4);

        // The selected fit is the full data's fit at that lambda, standard errors included.
        quill_fit_call full(d.n, d.p, d.x, d.y, model, 1);
        full.weights = cv.weights;
        full.controls.min_lambda = cv.result.lambda;
        full.run();
        ASSERT_FALSE(full.failed()) << full.text();
        for (int j = 0; j < d.p; ++j) {
            EXPECT_NEAR(cv.beta[j], full.beta[j], 1e-8) << j;
            EXPECT_NEAR(cv.se[j], full.se[j], 1e-8) << j;
        }
    }
}

// The descent path's folds fit their own paths from the top of the full data's grid, with more
// columns than training rows, and may stop where they saturate.
TEST(QuillFitCv, DescentPathCvTableIsTheHeldOutDevianceOfSeparateFits) {
    for (const int32_t model : {QUILL_MODEL_NORMAL, QUILL_MODEL_LOGISTIC}) {
        SCOPED_TRACE(model);
        const bench::synthetic_data d =
            bench::make_synthetic_data(static_cast<bench::model>(model), 40, 60, 21 + model);
        quill_fit_call cv(d.n, d.p, d.x, d.y, model, 30);
        cv.controls.algorithm = QUILL_ALGORITHM_ICM;
        cv.controls.dfformula = QUILL_DF_COUNT;
        cv.controls.selection = QUILL_SELECTION_CV;
        cv.controls.min_lambda = 0.0;  // down to saturation, so that folds stop early
        cv.controls.tolerance = 1e-12;
        for (int i = 0; i < d.n; ++i) cv.folds.push_back(i % 4 + 1);
        cv.run();
        ASSERT_FALSE(cv.failed()) << cv.text();
        expect_cv_table_from_separate_fits(cv, model, 4);
    }
}

TEST(QuillFitCv, SameTableAtOneAndTwoThreadsAndForTheSameSeed) {
    const testing::data_set d =
        testing::synthetic(150, {0.1, 1.0, 0.0, 0.5, 0.0, 0.0, 0.3}, testing::model::logistic, 1.0, 5);
    auto run = [&](int threads, uint64_t seed, int32_t rule) {
        quill_fit_call c(d.n, d.p, d.x, d.y, QUILL_MODEL_LOGISTIC, 15);
        c.controls.selection = QUILL_SELECTION_CV;
        c.controls.cv_folds = 5;
        c.controls.cv_seed = seed;
        c.controls.cv_rule = rule;
        c.controls.start = QUILL_START_PREVIOUS;
        c.controls.threads = threads;
        c.run();
        EXPECT_FALSE(c.failed()) << c.text();
        return c;
    };
    const quill_fit_call one = run(1, 42, QUILL_CV_RULE_MIN), two = run(2, 42, QUILL_CV_RULE_MIN);
    const quill_fit_call again = run(1, 42, QUILL_CV_RULE_1SE), other = run(1, 43, QUILL_CV_RULE_MIN);
    for (const quill_fit_call* c : {&two, &again}) {
        EXPECT_EQ(0, std::memcmp(c->cv_error.data(), one.cv_error.data(), 15 * sizeof(double)));
        EXPECT_EQ(0, std::memcmp(c->cv_se.data(), one.cv_se.data(), 15 * sizeof(double)));
    }
    EXPECT_EQ(0, std::memcmp(two.beta.data(), one.beta.data(), d.p * sizeof(double)));
    EXPECT_NE(other.cv_error, one.cv_error);
    EXPECT_GE(again.result.best_index, one.result.best_index);
    // Both calls mark both rules' picks, each where the call under that rule selects.
    for (const quill_fit_call* c : {&one, &again}) {
        std::vector<uint8_t> min_at(15, 0), one_se_at(15, 0);
        min_at[one.result.best_index - 1] = 0xFF;
        one_se_at[again.result.best_index - 1] = 0xFF;
        EXPECT_EQ(c->cv_min, min_at);
        EXPECT_EQ(c->cv_1se, one_se_at);
    }
    // Under 1SE a smaller lambda with a lower error is no tie of the selected one.
    const double picked = again.cv_error[again.result.best_index - 1];
    for (int g = 0; g < 15; ++g)
        if (again.tied[g] != 0) {
            EXPECT_NEAR(again.cv_error[g], picked, 1e-10 * std::fmax(picked, 1.0)) << g;
        }

    // The drawn folds: splitmix64's published first value for seed 0, and k balanced folds of
    // the observations of positive weight only.
    uint64_t state = 0;
    EXPECT_EQ(splitmix64_next(state), 0xE220A8397B1DCDAFULL);
    const double weights[7] = {1, 0, 2, 1, 1, 0.5, 3};
    const std::vector<int32_t> folds = draw_folds(7, weights, 2, 9);
    EXPECT_EQ(folds[1], 0);
    EXPECT_EQ(std::count(folds.begin(), folds.end(), 1), 3);
    EXPECT_EQ(std::count(folds.begin(), folds.end(), 2), 3);
    EXPECT_EQ(folds, draw_folds(7, weights, 2, 9));
}

// The 1SE rule's pick at the last grid value is an end of the grid like any other rule's: the
// large end's warning is flagged when a selected coefficient is not settled.
TEST(QuillFitCv, OneStandardErrorPickAtTheTopFlagsTheLargeEnd) {
    const testing::data_set d =
        testing::synthetic(200, {0.5, 1.0, 0.5, 0.15, 0.1, 0.0, 0.0}, testing::model::normal, 1.0, 3);
    quill_fit_call c(d.n, d.p, d.x, d.y, QUILL_MODEL_NORMAL, 10);
    c.controls.selection = QUILL_SELECTION_CV;
    c.controls.cv_folds = 5;
    c.controls.cv_rule = QUILL_CV_RULE_1SE;
    c.controls.min_lambda = 0.001;
    c.controls.max_lambda = 0.02;
    c.run();
    ASSERT_FALSE(c.failed()) << c.text();
    ASSERT_EQ(c.result.best_index, 10);
    bool unsettled = false;
    for (int j = 0; j < d.p; ++j) unsettled = unsettled || (c.beta[j] != 0.0 && std::fabs(c.beta[j]) <= 3.0 * c.se[j]);
    ASSERT_TRUE(unsettled);
    EXPECT_EQ(c.result.at_max_lambda, 0xFF);
}

TEST(QuillFitCv, MinAndOneStandardErrorRulesOnAHandTable) {
    // Two folds of weights 2 and 1, mean losses 1 and 4: error 2, se sqrt((2 + 4) / 3 / 1).
    const cv_table two = summarize_cv({2.0, 4.0}, {2.0, 1.0}, 1);
    EXPECT_DOUBLE_EQ(two.error[0], 2.0);
    EXPECT_DOUBLE_EQ(two.se[0], std::sqrt(2.0));

    cv_table t;
    t.error = {5.0, 3.0, 2.0, 2.0 + 1e-12, 2.5, 2.7, NAN, 2.55};
    t.se = {0.1, 0.1, 0.6, 0.1, 0.1, 0.1, 0.1, 0.1};
    EXPECT_EQ(pick_cv(t, 8, QUILL_CV_RULE_MIN), 2);   // the tie goes to the smaller lambda
    EXPECT_EQ(pick_cv(t, 8, QUILL_CV_RULE_1SE), 7);   // the largest within 2 + 0.6
    EXPECT_EQ(pick_cv(t, 6, QUILL_CV_RULE_1SE), 4);   // only the eligible ones
    t.error.assign(8, NAN);
    EXPECT_EQ(pick_cv(t, 8, QUILL_CV_RULE_MIN), -1);
}

TEST(QuillFitCv, FoldsAndRulesOutsideTheirRangeAreRefused) {
    const testing::data_set d = testing::synthetic(20, {0.0, 1.0, 0.5}, testing::model::normal);
    auto message = [&](auto change) {
        quill_fit_call c(d.n, d.p, d.x, d.y, QUILL_MODEL_NORMAL, 5);
        c.controls.selection = QUILL_SELECTION_CV;
        change(c);
        c.run();
        EXPECT_TRUE(c.failed());
        const std::string text = c.text();
        return text.substr(0, text.find('\r'));
    };
    EXPECT_EQ(message([](quill_fit_call& c) { c.controls.cv_folds = 21; }),
              "The number of folds (21) must be from 2 to 20, the observations used.");
    EXPECT_EQ(message([](quill_fit_call& c) { c.controls.cv_folds = 1; }).substr(0, 24),
              "The number of folds (1) ");
    EXPECT_EQ(message([](quill_fit_call& c) { c.controls.cv_rule = 2; }), "Invalid input for cv_rule");
    EXPECT_EQ(message([](quill_fit_call& c) {
                  for (int i = 0; i < c.n; ++i) c.folds.push_back(i % 2 == 0 ? 1 : 3);
              }),
              "Fold 2 of 3 has no observation of positive weight.");
    EXPECT_EQ(message([](quill_fit_call& c) {
                  c.folds.assign(c.n, 1);
                  c.folds[4] = 0;
              }),
              "The fold id of observation 5 (0) is below 1.");
    EXPECT_EQ(message([](quill_fit_call& c) {
                  c.controls.selection = QUILL_SELECTION_BIC;
                  c.folds.assign(c.n, 1);
              }),
              "Fold ids are given but the selection is not cross-validation.");

    // The positional entries cannot ask for it.
    testing_support::runscad_call r = testing_support::runscad_call::on(d.n, d.p, d.x, d.y, QUILL_MODEL_NORMAL);
    r.options[QUILL_OPT_SELECTION] = QUILL_SELECTION_CV;
    r.run();
    EXPECT_EQ(r.text().substr(0, 27), "Invalid input for selection");
}

// A caller built before the cross-validation members: its structs are read and written through
// their first published sizes, and nothing past its result struct is touched.
TEST(QuillFitCv, StructsOfTheFirstPublishedSizeStillWork) {
    const testing::data_set d = testing::synthetic(40, {0.0, 1.0, 0.5}, testing::model::normal);
    std::vector<uint8_t> forcein(d.p, 0);
    quill_fit_data data{};
    data.size = offsetof(quill_fit_data, folds);
    data.p = d.p;
    data.n = d.n;
    data.x = d.x.data();
    data.y = d.y.data();
    data.forcein = forcein.data();
    quill_fit_call reference(d.n, d.p, d.x, d.y, QUILL_MODEL_NORMAL, 5);
    reference.run();
    quill_fit_controls controls = reference.controls;
    controls.size = offsetof(quill_fit_controls, cv_folds);
    std::vector<double> beta(d.p), se(d.p), path(5 * d.p);
    std::vector<int32_t> message(200, 0);
    struct {
        quill_fit_result result;
        unsigned char after[64];
    } old{};
    std::memset(&old, 0x5A, sizeof old);
    old.result.size = offsetof(quill_fit_result, cv_se);
    old.result.beta = beta.data();
    old.result.se = se.data();
    old.result.beta_path = path.data();
    old.result.table = nullptr;
    old.result.msg_len = 200;
    old.result.message_codes = message.data();
    const auto* tail = reinterpret_cast<const unsigned char*>(&old.result) + old.result.size;
    ASSERT_EQ(quill_fit(&data, &controls, &old.result), 0);
    EXPECT_EQ(beta, reference.beta);
    for (std::size_t k = 0; k < sizeof old - old.result.size; ++k) ASSERT_EQ(tail[k], 0x5A) << k;

    data.size = offsetof(quill_fit_data, folds) + 4;  // ends inside a member
    old.result.size = sizeof old.result;
    EXPECT_EQ(quill_fit(&data, &controls, &old.result), -1);
}

}  // namespace
}  // namespace quill::engine
