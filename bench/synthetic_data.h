// Reproducible synthetic regression data for the benchmark: AR(1)-correlated standard normal
// predictors, a sparse true coefficient vector and a normal, Bernoulli or Poisson response.
// Every random number comes from a generator written out here, so a seed gives the same data
// on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quill::bench {

enum class model { normal = 0, logistic = 1, poisson = 2 };

const char* model_name(model m);
bool parse_model(const std::string& text, model& m);

struct synthetic_data {
    int n = 0;
    int p = 0;
    std::vector<double> x;  // n x p, column-major
    std::vector<double> y;
    std::vector<double> true_beta;  // p coefficients; the intercept is separate
    double true_intercept = 0.0;
};

// Correlation rho^|j - k| between predictors j and k.
synthetic_data make_synthetic_data(model m, int n, int p, uint64_t seed, double rho = 0.5);

}  // namespace quill::bench
