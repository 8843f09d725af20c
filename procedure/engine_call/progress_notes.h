// The NOTE that a long fit is still running, and where it is. The engine says which fit it runs
// and how many passes it has made as each pass starts; the notes read a clock there and write a
// NOTE when the fit has run a minute, then every five minutes: a fit of a minute or less needs no
// word, after a minute a user starts to wonder, and five minutes apart the notes show the fit
// moving (grid value, passes) in a dozen lines an hour. The clock and the times are given, so
// the schedule can be tested without waiting.
#ifndef QUILL_PROC_PROGRESS_NOTES_H
#define QUILL_PROC_PROGRESS_NOTES_H

#include <cstdint>
#include <string>

namespace quill::proc {

// Which fit the engine runs: the start of every grid fit, the search for a full path's top, a
// grid value's, a REFIT.
enum class fit_stage { start, grid_top, grid, refit };

// Where the engine is (its progress report, in the procedure's terms).
struct fit_position {
    fit_stage stage = fit_stage::start;
    int32_t fold = 0;        // cross-validation: the fold left out (0: the full data)
    int32_t folds = 0;       // k, once the folds are drawn; else 0
    int32_t grid_value = 0;  // the grid value's place in the order fitted; a refit's grid index
    int32_t grid_size = 0;
    double lambda = 0.0;
    int32_t passes = 0;      // of the fit under way, that pass included
    int32_t max_passes = 0;  // 0: a fit without passes
    int64_t total_passes = 0;
};

class progress_notes {
public:
    // now(clock) gives seconds on a clock that never goes back; the fit starts at the first
    // reading. `sweeps`: the fit runs ALGORITHM ICM, whose passes are sweeps.
    using clock_reading = double (*)(void *clock);
    progress_notes(clock_reading now, void *clock, bool sweeps, double first = 60.0,
                   double every = 300.0);

    // The NOTE's text (without its prefix) when one is due at this report, else "".
    std::string note(const fit_position &at);

    // The clock the procedure reads: monotonic, coarse (a read costs a few nanoseconds).
    static double monotonic_seconds(void *unused);

private:
    clock_reading now_;
    void *clock_;
    bool sweeps_;
    double start_, due_, every_;
};

} // namespace quill::proc

#endif
