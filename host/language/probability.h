// The distributions CDF, PDF, QUANTILE and RAND name, and their probability functions. The
// normal quantile is Wichura's algorithm AS 241 (PPND16, about 16 digits), which RAND('NORMAL')
// also uses to turn a uniform into a normal draw; the others come from Boost.Math, asked to
// return NaN (never to throw) for arguments outside their domain.
#ifndef QUILL_HOST_LANGUAGE_PROBABILITY_H
#define QUILL_HOST_LANGUAGE_PROBABILITY_H

#include <string_view>

namespace quill::host {

enum class Distribution { Unknown, Normal, T, Chisq, Binomial, Poisson, Uniform, Bernoulli, Exponential, Integer };

// The distribution a name (any case, blanks around it ignored) stands for: 'NORMAL' or 'GAUSS',
// 'T', 'CHISQUARE' or 'CHISQ', 'BINOMIAL' or 'BINO', 'POISSON' or 'POIS', 'UNIFORM' or 'UNIF',
// 'BERNOULLI' or 'BERN', 'EXPONENTIAL' or 'EXPO', 'INTEGER'.
Distribution distribution_named(std::string_view name);

double normal_cdf(double x);
// The x with normal_cdf(x) = p, for 0 < p < 1 (AS 241).
double normal_quantile(double p);

// CDF, PDF and QUANTILE of a distribution with its parameters as the language writes them:
// NORMAL x <, mu, sigma>; T x, df; CHISQ x, df; BINOMIAL m, p, n; POISSON n, m. `count` is the
// number of parameters given. NaN when a parameter or the argument is outside the domain (or the
// distribution has no such function).
enum class ProbabilityFunction { Cdf, Pdf, Quantile };
double probability(ProbabilityFunction which, Distribution d, double x, const double *params, int count);

} // namespace quill::host

#endif
