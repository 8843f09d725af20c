#include "engine_call/progress_notes.h"

#include <ctime>

#include "shown_number.h"

namespace quill::proc {
namespace {

// "1 minute", "2 hours 5 minutes": the whole minutes of `seconds`.
std::string duration_text(double seconds) {
    const long minutes = static_cast<long>(seconds / 60.0);
    const long hours = minutes / 60, rest = minutes % 60;
    const auto unit = [](long count, const char *name) {
        return std::to_string(count) + " " + name + (count == 1 ? "" : "s");
    };
    if (hours == 0) return unit(minutes, "minute");
    return rest == 0 ? unit(hours, "hour") : unit(hours, "hour") + " " + unit(rest, "minute");
}

std::string lambda_part(double lambda) {
    return std::string(" (lambda = ") + lambda_text(lambda).text + ")";
}

// The fit under way, as the note names it.
std::string fit_text(const fit_position &at, bool sweeps) {
    using stage = fit_stage;
    const std::string of = " of " + std::to_string(at.grid_size);
    switch (at.stage) {
    case stage::start:
        return sweeps ? "the fit of the intercept and the FORCEIN effects alone"
                      : "the unpenalized fit that every grid fit starts from";
    case stage::grid_top:
        return "the search for the top of the full-path grid" + lambda_part(at.lambda);
    case stage::grid:
        return "grid value " + std::to_string(at.grid_value) + of + lambda_part(at.lambda);
    case stage::refit:
        return "the refit without penalty of the nonzero set at grid value " +
               std::to_string(at.grid_value) + of + lambda_part(at.lambda);
    }
    return {};
}

} // namespace

progress_notes::progress_notes(clock_reading now, void *clock, bool sweeps, double first,
                               double every)
    : now_(now), clock_(clock), sweeps_(sweeps), start_(now_(clock)), due_(start_ + first),
      every_(every) {}

std::string progress_notes::note(const fit_position &at) {
    const double time = now_(clock_);
    if (time < due_) return {};
    due_ = time + every_;
    const char *pass = sweeps_ ? "sweep" : "pass";
    std::string text = "The fit is still running after " + duration_text(time - start_) + ": ";
    if (at.folds > 0)
        text += at.fold > 0 ? "cross-validation fold " + std::to_string(at.fold) + " of " +
                                  std::to_string(at.folds) + ", "
                            : "the full data after the cross-validation folds, ";
    text += fit_text(at, sweeps_);
    if (at.max_passes > 0)
        text += ", " + std::string(at.stage == fit_stage::refit ? "step" : pass) + " " +
                std::to_string(at.passes) + " of at most " + std::to_string(at.max_passes);
    text += "; " + std::to_string(at.total_passes) + (sweeps_ ? " sweeps" : " passes") + " so far.";
    return text;
}

double progress_notes::monotonic_seconds(void *) {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

} // namespace quill::proc
