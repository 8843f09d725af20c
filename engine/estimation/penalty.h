// The penalty of a fit at one lambda, as one value: everything the fits, the covariance, the
// full path's top and the selection's shrink flag ask of it. SCAD (shape a), MCP (the same `a`
// is its gamma) or the lasso; every caller asks the same questions whichever it is.
#pragma once

#include <limits>

#include "records/option_codes.h"
#include "records/scad_session.h"

namespace quill::engine {

enum class penalty_kind { scad = penalty_scad, mcp = penalty_mcp, lasso = penalty_lasso };

struct penalty {
    penalty_kind kind = penalty_kind::scad;
    double lambda = 0.0;
    // SCAD: the shape, the penalty flat from a lambda on; MCP: gamma, flat from gamma lambda on;
    // not read for the lasso.
    double a = 3.7;

    // 1e-20 is taken at single precision, as the fit has always used it.
    static constexpr double slope_guard = static_cast<double>(1e-20f);

    // slope * lambda is the derivative p'(b) of the penalty at b = |beta| >= 0. A forced-in
    // coefficient is never penalized.
    constexpr double slope(double b, bool forced) const {
        if (forced) return 0.0;
        switch (kind) {
            case penalty_kind::lasso: return 1.0;
            case penalty_kind::mcp: return b <= a * lambda ? 1.0 - b / (a * lambda + slope_guard) : 0.0;
            case penalty_kind::scad: break;
        }
        if (b <= lambda) return 1.0;
        if (b <= a * lambda) return (a * lambda - b) / ((a - 1.0) * lambda + slope_guard);
        return 0.0;
    }

    // The penalty p(b) itself, for the fits' objective. SCAD: lambda b up to lambda, then a
    // quadratic up to a lambda, then the constant (a + 1) lambda^2 / 2. MCP: lambda b - b^2 / (2a)
    // up to a lambda, then a lambda^2 / 2. Lasso: lambda b.
    constexpr double value(double b, bool forced) const {
        if (forced) return 0.0;
        switch (kind) {
            case penalty_kind::lasso: return lambda * b;
            case penalty_kind::mcp:
                return b <= a * lambda ? lambda * b - b * b / (2.0 * a) : a * lambda * lambda / 2.0;
            case penalty_kind::scad: break;
        }
        if (b <= lambda) return lambda * b;
        if (b <= a * lambda) return (2.0 * a * lambda * b - b * b - lambda * lambda) / (2.0 * (a - 1.0));
        return (a + 1.0) * lambda * lambda / 2.0;
    }

    // The derivative p'(b) without the guard, lambda at b = 0: what the descent path's
    // coordinate steps follow.
    constexpr double derivative(double b) const {
        switch (kind) {
            case penalty_kind::lasso: return lambda;
            case penalty_kind::mcp: return b <= a * lambda ? lambda - b / a : 0.0;
            case penalty_kind::scad: break;
        }
        if (b <= lambda) return lambda;
        if (b <= a * lambda) return (a * lambda - b) / (a - 1.0);
        return 0.0;
    }

    // The threshold of the conditional-modes sweep: the derivative without the guard; SCAD's is
    // 0 exactly at b = lambda, as that sweep has always had it.
    constexpr double icm_threshold(double b) const {
        if (kind != penalty_kind::scad) return derivative(b);
        if (b < lambda) return lambda;
        if (lambda < b && b < a * lambda) return (a * lambda - b) / (a - 1.0);
        return 0.0;
    }

    // Where the penalty stops shrinking: a coefficient of at least this size is left as the
    // unpenalized fit would have it. The lasso shrinks every coefficient: infinity.
    constexpr double reach() const {
        return kind == penalty_kind::lasso ? std::numeric_limits<double>::infinity() : a * lambda;
    }

    // The smallest lambda whose reach takes in a coefficient of size b; 0 for the lasso, whose
    // every lambda above 0 does.
    constexpr double lambda_reaching(double b) const {
        return kind == penalty_kind::lasso ? 0.0 : b / a;
    }
};

// A minimizer of (v/2) t^2 - z t + p(|t|) (v > 0): one coordinate's update of the descent path,
// from its value b. Where the problem is convex it is the one minimizer; where it is not, the
// minimum that descent from b reaches.
double coordinate_minimum(double z, double v, double b, const penalty& pen);

// The penalty of the session's settings at lambda.
inline penalty penalty_at(const scad_settings& settings, double lambda) {
    return penalty{static_cast<penalty_kind>(settings.penalty), lambda, settings.a};
}

// The diagonal weight of the local quadratic approximation: p'(b) / b, guarded at b = 0.
constexpr double lqa_weight(double slope, double lambda, double b) {
    return slope * lambda / (b + 1e-15);
}

}  // namespace quill::engine
