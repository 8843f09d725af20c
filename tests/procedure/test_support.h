// Small helpers shared by the procedure tests: a standard data set and a fresh fake host.
#ifndef QUILL_TESTS_PROCEDURE_TEST_SUPPORT_H
#define QUILL_TESTS_PROCEDURE_TEST_SUPPORT_H

#include "fake_engine.h"
#include "fake_host.h"

namespace quill::proc::testing {

// PROC record slots and flags of the grammar.
enum { s_data = 1, s_outbetas = 2, s_outerrs = 3, s_outinfo = 4, s_outpred = 5, s_id = 6,
       s_forcein = 9, s_selection = 10, s_df = 11, s_algorithm = 12, s_criterion = 13,
       s_maxiter = 14, s_minlambda = 15, s_maxlambda = 16, s_gridsize = 17, s_a = 18,
       s_weight = 19, s_dist = 20 };
enum { f_noprint = 1, f_details = 2, f_robust = 3, f_unshrink_se = 4, f_warmstart = 7 };

inline column num(const std::string &name, std::vector<double> values) {
    return column{name, QH_VAR_NUMERIC, std::move(values), {}};
}
inline column chr(const std::string &name, std::vector<std::string> values) {
    return column{name, QH_VAR_CHARACTER, {}, std::move(values)};
}

} // namespace quill::proc::testing

#endif
