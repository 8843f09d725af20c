// The penalty's one-coordinate problem (penalty.h).
#include "estimation/penalty.h"

#include <cmath>

namespace quill::engine {

namespace {

// The derivative of the penalty on [start, end) is alpha - beta * b.
struct slope_piece {
    double start, end, alpha, beta;
};

// The pieces of p'(b) for b >= 0, in order; p' is continuous where they meet. The count.
int slope_pieces(const penalty& pen, slope_piece* out) {
    const double lambda = pen.lambda;
    const double a = pen.a;
    if (pen.kind == penalty_kind::lasso) {
        out[0] = {0.0, INFINITY, lambda, 0.0};
        return 1;
    }
    if (pen.kind == penalty_kind::mcp) {  // a is MCP's gamma
        out[0] = {0.0, a * lambda, lambda, 1.0 / a};
        out[1] = {a * lambda, INFINITY, 0.0, 0.0};
        return 2;
    }
    out[0] = {0.0, lambda, lambda, 0.0};
    out[1] = {lambda, a * lambda, a * lambda / (a - 1.0), 1.0 / (a - 1.0)};
    out[2] = {a * lambda, INFINITY, 0.0, 0.0};
    return 3;
}

// From u >= 0 on the side where the coefficient has the sign of z (z taken positive), the minimum
// of (v/2) b^2 - z b + p(b) that descent reaches; negative when descent runs through 0 to the
// other side and the minimum is there (its size then comes from the mirrored problem).
double descend(double z, double v, double u, const slope_piece* piece, int pieces) {
    int k = 0;
    while (k + 1 < pieces && u >= piece[k].end) ++k;
    const double slope = (v - piece[k].beta) * u - (z - piece[k].alpha);
    if (slope < 0.0 || (slope == 0.0 && u == 0.0)) {  // downhill away from 0
        for (; k < pieces; ++k) {
            const double curve = v - piece[k].beta;
            if (curve > 0.0) {
                const double b = (z - piece[k].alpha) / curve;
                if (b <= piece[k].end) return b;
            }
        }
        return u;  // not reached: the last piece is flat and v > 0
    }
    if (slope == 0.0) return u;
    for (; k >= 0; --k) {  // downhill towards 0
        const double curve = v - piece[k].beta;
        if (curve > 0.0) {
            const double b = (z - piece[k].alpha) / curve;
            if (b >= piece[k].start) return b;
        }
    }
    return 0.0;  // at 0: a minimum when |z| <= p'(0)
}

}  // namespace

double coordinate_minimum(double z, double v, double b, const penalty& pen) {
    const double lambda = pen.lambda;
    const double a = pen.a;
    const double s = z < 0.0 ? -1.0 : 1.0;
    const double t = std::fabs(z);
    switch (pen.kind) {  // convex along the coordinate: the closed forms
        case penalty_kind::lasso:
            return t <= lambda ? 0.0 : s * (t - lambda) / v;
        case penalty_kind::mcp:
            if (v * a <= 1.0) break;
            if (t <= lambda) return 0.0;
            if (t <= v * a * lambda) return s * (t - lambda) / (v - 1.0 / a);
            return z / v;
        case penalty_kind::scad:
            if (v * (a - 1.0) <= 1.0) break;
            if (t <= lambda) return 0.0;
            if (t <= lambda * (1.0 + v)) return s * (t - lambda) / v;
            if (t <= v * a * lambda) return s * (t - a * lambda / (a - 1.0)) / (v - 1.0 / (a - 1.0));
            return z / v;
    }
    // Weak curvature: the problem has more than one minimum, and the coefficient moves to the one
    // that descent from where it is reaches, so that a fit follows its own minimum down the path.
    // Below the threshold a zero coefficient stays 0: 0 is then a minimum along the coordinate,
    // and the path's top, where every penalized coefficient is 0, stays max |z|.
    slope_piece piece[3];
    const int pieces = slope_pieces(pen, piece);
    if (b == 0.0 && t <= piece[0].alpha) return 0.0;
    // Work on the coefficient's side (for b = 0, the side z points to), with z mirrored to it.
    const double side = b != 0.0 ? (b < 0.0 ? -1.0 : 1.0) : s;
    const double found = descend(side * z, v, std::fabs(b), piece, pieces);
    if (found > 0.0) return side * found;
    if (t <= piece[0].alpha) return 0.0;
    // Descent ran down to 0 with z past the threshold on the other side: on across it.
    return -side * descend(-side * z, v, 0.0, piece, pieces);
}

}  // namespace quill::engine
