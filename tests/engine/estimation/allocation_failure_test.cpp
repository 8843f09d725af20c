// Every allocation of a complete estimation (initial fit, grid search, covariance, results on
// the input scale) is made to fail in turn: each must end in a reported failure and a reset
// session, never a crash, a leak (under the sanitizer build) or a silent success.
#include <gtest/gtest.h>

#include "estimation/grid_search.h"
#include "estimation_fixture.h"
#include "support/fault_injector.h"

namespace quill::engine {
namespace {

using namespace testing;

int estimate(scad_session& s, error_trail& t) {
    if (run_calculate_scad_stdresults(s, t) != 0) return -1;
    return run_calculate_scad_unstdresults(s, t);
}

struct scenario {
    const char* name;
    model type;
    options settings;
};

std::vector<scenario> scenarios() {
    std::vector<scenario> list;
    options o;
    o.grid_size = 4;
    list.push_back({"normal", model::normal, o});
    o.type = model::logistic;
    list.push_back({"logistic", model::logistic, o});
    o.type = model::poisson;
    list.push_back({"poisson", model::poisson, o});
    options proj;
    proj.grid_size = 3;
    proj.dfformula = 1;
    proj.robust = true;
    list.push_back({"projection, robust", model::normal, proj});
    options icm;
    icm.grid_size = 3;
    icm.algorithm = 1;
    icm.intercept_mode = 1;
    list.push_back({"icm, centred", model::normal, icm});
    return list;
}

TEST(AllocationFailure, EveryAllocationOfARunFailsCleanly) {
    for (const scenario& sc : scenarios()) {
        const data_set d = synthetic(30, {0.3, 1.0, 0.0, -0.8}, sc.type);
        long total = 0;
        {
            scad_session s;
            load(s, d, sc.settings);
            error_trail t;
            fault_injector::reset_count();
            ASSERT_EQ(estimate(s, t), 0) << sc.name;
            total = fault_injector::allocations_seen();
        }
        ASSERT_GT(total, 10) << sc.name;
        for (long k = 1; k <= total; ++k) {
            scad_session s;
            load(s, d, sc.settings);
            error_trail t;
            fault_injector::fail_allocation_at(k);
            const int rc = estimate(s, t);
            fault_injector::disarm();
            ASSERT_EQ(rc, -1) << sc.name << ", allocation " << k;
            EXPECT_TRUE(t.error_occurred());
            ASSERT_FALSE(t.lines().empty());
            EXPECT_EQ(trimmed(t.lines().front()), "Unable to allocate memory for object")
                << sc.name << ", allocation " << k;
            EXPECT_TRUE(s.is_null) << sc.name << ", allocation " << k;
        }
    }
}

// The grid's fits and criteria work in arrays allocated before the first grid value: a longer
// grid takes no more allocations (the projection df's covariance at every grid value aside).
TEST(AllocationCount, TheGridAllocatesNothingPerValue) {
    std::vector<scenario> list;
    for (const scenario& sc : scenarios())
        if (sc.settings.dfformula == 0) list.push_back(sc);
    for (scenario sc : std::vector<scenario>(list)) {
        sc.settings.start = 1;
        list.push_back(sc);
    }
    for (const scenario& sc : list) {
        const data_set d = synthetic(40, {0.3, 1.0, 0.0, -0.8}, sc.type);
        long counts[2] = {0, 0};
        for (int run = 0; run < 2; ++run) {
            options o = sc.settings;
            o.grid_size = run == 0 ? 5 : 40;
            o.max_lambda = 0.5;  // no fit ends the grid early by zeroing every coefficient
            scad_session s;
            load(s, d, o);
            error_trail t;
            fault_injector::reset_count();
            ASSERT_EQ(estimate(s, t), 0) << sc.name;
            counts[run] = fault_injector::allocations_seen();
            ASSERT_EQ(s.stdresults.fitted, o.grid_size) << sc.name;
        }
        EXPECT_EQ(counts[0], counts[1]) << sc.name << ", start rule " << sc.settings.start;
    }
}

}  // namespace
}  // namespace quill::engine
