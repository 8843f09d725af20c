// CDF, PDF, QUANTILE, RAND, RANUNI and RANNOR. A missing argument gives missing (counted where
// missing values are generated); a parameter outside its distribution's domain gives missing
// with "Invalid argument to function RAND at line L column C.".
#include <cmath>

#include "language/expression.h"
#include "language/functions.h"
#include "language/probability.h"

namespace quill::host {

double ExpressionSet::call_probability(const Node &n, const Row &row) const
{
    Place &p = places_[static_cast<size_t>(n.place)];
    auto arg = [&](int k) { return args_[static_cast<size_t>(n.first + k)]; };
    auto invalid = [&]() {
        ++p.failed;
        event(std::string("Invalid argument to function ") + function_info(static_cast<FunctionId>(n.function)).name +
              " at line " + std::to_string(p.line) + " column " + std::to_string(p.column) + ".");
        return missing_value();
    };
    if (n.function == fn_ranuni || n.function == fn_rannor) {
        const double seed = number(arg(0), row);
        if (is_missing(seed))
            return invalid();
        return n.function == fn_ranuni ? random_.ranuni(seed) : random_.rannor(seed);
    }
    const Distribution d = n.state >= 0 ? static_cast<Distribution>(n.state) : distribution_named(text(arg(0), row));
    const bool drawn = n.function == fn_rand;
    const double x = drawn ? 0 : number(arg(1), row);
    bool missing = is_missing(x);
    double params[4];
    int count = 0;
    for (int k = drawn ? 1 : 2; k < n.count && count < 4; ++k) {
        params[count] = number(arg(k), row);
        missing = missing || is_missing(params[count]);
        ++count;
    }
    if (missing) {
        ++p.missing;
        return missing_value();
    }
    double r;
    if (drawn)
        r = random_.draw(d, params, count);
    else
        r = probability(n.function == fn_cdf   ? ProbabilityFunction::Cdf :
                        n.function == fn_pdf   ? ProbabilityFunction::Pdf :
                                                 ProbabilityFunction::Quantile,
                        d, x, params, count);
    return std::isfinite(r) ? r : invalid();
}

} // namespace quill::host
