// The long fit's NOTE on a clock the test sets: none before a minute, the first at a minute
// (or at the first report after it), the next five minutes after the one before, and the text of
// each stage, of cross-validation's folds, of ICM's sweeps and of hours.
#include <gtest/gtest.h>

#include <string>

#include "engine_call/progress_notes.h"

namespace quill::proc {
namespace {

struct clocked_notes {
    double time = 1000.0;  // the clock's reading when the fit starts
    progress_notes notes;
    explicit clocked_notes(bool sweeps = false) : notes(reading, this, sweeps) {}
    static double reading(void *self) { return static_cast<clocked_notes *>(self)->time; }
    std::string at(double seconds, const fit_position &where) {
        time = 1000.0 + seconds;
        return notes.note(where);
    }
};

const fit_position grid_value{.stage = fit_stage::grid, .grid_value = 37, .grid_size = 250,
                              .lambda = 0.012345678, .passes = 12, .max_passes = 250,
                              .total_passes = 1841};

TEST(ProgressNotes, FirstAfterAMinuteThenEveryFiveMinutes) {
    clocked_notes c;
    EXPECT_EQ(c.at(0.0, grid_value), "");
    EXPECT_EQ(c.at(59.99, grid_value), "");
    EXPECT_EQ(c.at(60.0, grid_value),
              "The fit is still running after 1 minute: grid value 37 of 250 (lambda = 0.01235), "
              "pass 12 of at most 250; 1841 passes so far.");
    EXPECT_EQ(c.at(61.0, grid_value), "");
    EXPECT_EQ(c.at(359.9, grid_value), "");
    const fit_position start{.stage = fit_stage::start, .grid_size = 250, .passes = 412,
                             .max_passes = 1000, .total_passes = 412};
    EXPECT_EQ(c.at(360.0, start),
              "The fit is still running after 6 minutes: the unpenalized fit that every grid fit "
              "starts from, pass 412 of at most 1000; 412 passes so far.");
    // A pass that ran long: the note comes at the report after it, and the next five minutes on.
    EXPECT_TRUE(c.at(3600.0 + 8 * 60.0 + 30.0, grid_value)
                    .starts_with("The fit is still running after 1 hour 8 minutes: grid value 37"));
    EXPECT_EQ(c.at(3600.0 + 13 * 60.0 + 29.0, grid_value), "");
    EXPECT_TRUE(c.at(7200.0, grid_value).starts_with("The fit is still running after 2 hours: grid"));
}

TEST(ProgressNotes, EachStageFoldAndAlgorithmHasItsWords) {
    const auto first = [](const fit_position &where, bool sweeps = false) {
        clocked_notes c(sweeps);
        const std::string text = c.at(60.0, where);
        const std::string lead = "The fit is still running after 1 minute: ";
        EXPECT_EQ(text.substr(0, lead.size()), lead);
        return text.substr(lead.size());
    };
    // The normal model's unpenalized fit has no passes; ICM's start is the unpenalized terms'.
    EXPECT_EQ(first({.stage = fit_stage::start, .grid_size = 50}),
              "the unpenalized fit that every grid fit starts from; 0 passes so far.");
    EXPECT_EQ(first({.stage = fit_stage::start, .grid_size = 50, .passes = 3, .max_passes = 10000,
                     .total_passes = 3},
                    true),
              "the fit of the intercept and the FORCEIN effects alone, sweep 3 of at most 10000; "
              "3 sweeps so far.");
    EXPECT_EQ(first({.stage = fit_stage::grid_top, .grid_size = 50, .lambda = 2.5, .passes = 7,
                     .max_passes = 250, .total_passes = 1007}),
              "the search for the top of the full-path grid (lambda = 2.5), pass 7 of at most 250; "
              "1007 passes so far.");
    EXPECT_EQ(first({.stage = fit_stage::refit, .grid_value = 4, .grid_size = 50, .lambda = 0.25,
                     .passes = 2, .max_passes = 100, .total_passes = 5000}),
              "the refit without penalty of the nonzero set at grid value 4 of 50 (lambda = 0.25), "
              "step 2 of at most 100; 5000 passes so far.");
    fit_position fold = grid_value;
    fold.fold = 3;
    fold.folds = 10;
    EXPECT_EQ(first(fold, true),
              "cross-validation fold 3 of 10, grid value 37 of 250 (lambda = 0.01235), sweep 12 of "
              "at most 250; 1841 sweeps so far.");
    fold.fold = 0;
    EXPECT_TRUE(first(fold).starts_with("the full data after the cross-validation folds, grid value 37 "));
}

} // namespace
} // namespace quill::proc
