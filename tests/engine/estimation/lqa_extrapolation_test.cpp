#include "estimation/lqa_extrapolation.h"

#include <gtest/gtest.h>

#include <cmath>

#include "estimation_fixture.h"

namespace quill::engine {
namespace {

using testing::vector_of;

log1 flags(std::initializer_list<bool> values) {
    error_trail t;
    log1 f;
    log1_alloc(f, static_cast<int>(values.size()), t);
    int j = 1;
    for (bool v : values) f(j++) = v;
    return f;
}

// Points closing in on a fixed point geometrically, every coefficient at the same rate c: the
// step |r| / |v| = 1 / (1 - c) lands on the fixed point exactly (a coefficient heading for 0
// lands on 0, without crossing it). With the step held at 4 it goes as far as it may.
TEST(LqaExtrapolation, AGeometricApproachLandsOnItsFixedPoint) {
    const double c = 0.9;
    const double fixed[] = {1.5, 0.0, -0.25};
    const double gap[] = {0.2, 0.4, -0.1};
    dbl1 theta[3];
    for (int t = 0; t < 3; ++t)
        theta[t] = vector_of({fixed[0] + gap[0] * std::pow(c, t), fixed[1] + gap[1] * std::pow(c, t),
                              fixed[2] + gap[2] * std::pow(c, t)});
    const log1 forced = flags({true, false, false});
    dbl1 trial = vector_of({0, 0, 0});
    double step = 0.0;
    ASSERT_TRUE(lqa_extrapolate(theta[0], theta[1], theta[2], forced, 1000.0, trial, step));
    EXPECT_NEAR(step, 1.0 / (1.0 - c), 1e-9);
    for (int j = 1; j <= 3; ++j) EXPECT_NEAR(trial(j), fixed[j - 1], 1e-12) << j;

    ASSERT_TRUE(lqa_extrapolate(theta[0], theta[1], theta[2], forced, 4.0, trial, step));
    EXPECT_EQ(step, 4.0);
    // Each gap shrinks to (1 + s (c - 1))^2 of what it was at theta0.
    for (int j = 1; j <= 3; ++j)
        EXPECT_NEAR(trial(j), fixed[j - 1] + gap[j - 1] * std::pow(1.0 + 4.0 * (c - 1.0), 2), 1e-12);
}

// A coefficient 0 in the last point stays 0; a penalized one that would cross 0 refuses the
// step (the penalty's kink lies there), a forced-in one may; no gain (step <= 1) is no step.
TEST(LqaExtrapolation, ZerosStayZeroAndNoPenalizedCoefficientCrossesZero) {
    dbl1 trial = vector_of({9, 9});
    double step = 0.0;
    const log1 penalized = flags({false, false});
    // Second coefficient dropped in the last point: it stays 0 however the others move.
    ASSERT_TRUE(lqa_extrapolate(vector_of({1.0, 0.3}), vector_of({0.9, 0.2}), vector_of({0.82, 0.0}),
                                penalized, 100.0, trial, step));
    EXPECT_EQ(trial(2), 0.0);
    // The first heads across 0 at a constant speed (v = 0): the step is the limit, and crossing
    // is refused for a penalized coefficient, allowed for a forced-in one.
    const dbl1 a = vector_of({0.3, 1.0}), b = vector_of({0.2, 1.0}), c = vector_of({0.1, 1.0});
    EXPECT_FALSE(lqa_extrapolate(a, b, c, penalized, 4.0, trial, step));
    EXPECT_TRUE(lqa_extrapolate(a, b, c, flags({true, false}), 4.0, trial, step));
    EXPECT_NEAR(trial(1), 0.3 - 0.8, 1e-15);
    // Points that slow down no faster than they approach: nothing to gain.
    EXPECT_FALSE(lqa_extrapolate(vector_of({0.0, 1.0}), vector_of({1.0, 1.0}), vector_of({3.0, 1.0}),
                                 penalized, 4.0, trial, step));
    EXPECT_LE(step, 1.0);
}

}  // namespace
}  // namespace quill::engine
