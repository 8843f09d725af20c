#include "synthetic_data.h"

#include <cmath>

namespace quill::bench {

namespace {

// splitmix64: small, fast and identical everywhere.
class random_source {
public:
    explicit random_source(uint64_t seed) : state_(seed) {}

    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform on (0, 1): 53 random bits, never exactly 0.
    double uniform() { return (static_cast<double>(next() >> 11) + 0.5) * 0x1.0p-53; }

    // Marsaglia's polar method; the second deviate of each pair is kept for the next call.
    double normal() {
        if (has_spare_) {
            has_spare_ = false;
            return spare_;
        }
        double u, v, s;
        do {
            u = 2.0 * uniform() - 1.0;
            v = 2.0 * uniform() - 1.0;
            s = u * u + v * v;
        } while (s >= 1.0 || s == 0.0);
        const double factor = std::sqrt(-2.0 * std::log(s) / s);
        spare_ = v * factor;
        has_spare_ = true;
        return u * factor;
    }

    bool bernoulli(double probability) { return uniform() < probability; }

    // Multiplication of uniforms (Knuth); the means here stay small, so this is quick.
    int poisson(double mean) {
        const double limit = std::exp(-mean);
        int k = 0;
        double product = uniform();
        while (product > limit) {
            ++k;
            product *= uniform();
        }
        return k;
    }

private:
    uint64_t state_;
    double spare_ = 0.0;
    bool has_spare_ = false;
};

// Nonzero true coefficients on predictors 1, 2 and 5 (and 10 when there are enough), in
// units suited to each model: a clear signal without saturated probabilities or huge counts.
void set_truth(model m, synthetic_data& d) {
    d.true_beta.assign(d.p, 0.0);
    const double base[] = {3.0, 1.5, 0.0, 0.0, 2.0, 0.0, 0.0, 0.0, 0.0, -1.0};
    const double unit = m == model::normal ? 1.0 : m == model::logistic ? 0.4 : 0.15;
    for (int j = 0; j < d.p && j < 10; ++j) d.true_beta[j] = base[j] * unit;
    d.true_intercept = m == model::normal ? 1.0 : m == model::logistic ? -0.5 : 0.5;
}

}  // namespace

const char* model_name(model m) {
    switch (m) {
        case model::normal: return "normal";
        case model::logistic: return "logistic";
        case model::poisson: return "poisson";
    }
    return "?";
}

bool parse_model(const std::string& text, model& m) {
    for (model candidate : {model::normal, model::logistic, model::poisson})
        if (text == model_name(candidate)) {
            m = candidate;
            return true;
        }
    return false;
}

synthetic_data make_synthetic_data(model m, int n, int p, uint64_t seed, double rho) {
    synthetic_data d;
    d.n = n;
    d.p = p;
    d.x.resize(static_cast<size_t>(n) * p);
    d.y.resize(n);
    set_truth(m, d);

    random_source random(seed);
    const double innovation = std::sqrt(1.0 - rho * rho);
    std::vector<double> eta(n, d.true_intercept);
    for (int i = 0; i < n; ++i) {
        // Row by row so that the stream of deviates does not depend on p's memory layout.
        double previous = random.normal();
        for (int j = 0; j < p; ++j) {
            const double value = j == 0 ? previous : rho * previous + innovation * random.normal();
            d.x[static_cast<size_t>(j) * n + i] = value;
            eta[i] += value * d.true_beta[j];
            previous = value;
        }
    }
    for (int i = 0; i < n; ++i) {
        switch (m) {
            case model::normal: d.y[i] = eta[i] + random.normal(); break;
            case model::logistic: d.y[i] = random.bernoulli(1.0 / (1.0 + std::exp(-eta[i]))) ? 1.0 : 0.0; break;
            case model::poisson: d.y[i] = random.poisson(std::exp(eta[i])); break;
        }
    }
    return d;
}

}  // namespace quill::bench
