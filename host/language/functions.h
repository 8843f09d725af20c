// The functions an expression may call: their names, how many arguments they take, the types of
// their arguments and results.
#ifndef QUILL_HOST_LANGUAGE_FUNCTIONS_H
#define QUILL_HOST_LANGUAGE_FUNCTIONS_H

#include <cstddef>
#include <string_view>

#include "data/table.h"

namespace quill::host {

enum FunctionId {
    fn_log, fn_log2, fn_log10, fn_exp, fn_sqrt, fn_abs, fn_round, fn_int, fn_floor, fn_ceil, fn_mod,
    fn_min, fn_max, fn_sum, fn_mean, fn_n, fn_nmiss, fn_missing, fn_upcase, fn_lowcase, fn_substr,
    fn_strip, fn_trim, fn_left, fn_cats, fn_catx, fn_index, fn_length, fn_scan, fn_ifn, fn_ifc, fn_symget,
    fn_put, fn_input, // parsed apart: their second argument is a format
    // Dates and times (date_functions.cpp), fn_mdy first and fn_datdif last.
    fn_mdy, fn_year, fn_month, fn_day, fn_qtr, fn_weekday, fn_today, fn_datetime_now, fn_time_now, fn_datepart,
    fn_timepart, fn_dhms, fn_hms, fn_hour, fn_minute, fn_second, fn_intck, fn_intnx, fn_yrdif, fn_datdif,
    fn_sin, fn_cos, fn_tan, fn_arsin, fn_arcos, fn_atan, fn_atan2, fn_sinh, fn_cosh, fn_tanh, fn_probnorm, fn_probit,
    fn_coalesce,
    // Distributions and random numbers (probability_functions.cpp), fn_cdf first and fn_rannor last.
    fn_cdf, fn_pdf, fn_quantile, fn_rand, fn_ranuni, fn_rannor,
    fn_lag, fn_dif, // LAGn and DIFn, a queue per call site (lag_functions.cpp)
    // Text (text_functions.cpp), fn_compress first and fn_putn last.
    fn_compress, fn_coalescec, fn_tranwrd, fn_propcase, fn_find, fn_countw, fn_inputn, fn_putn,
    fn_cat, fn_catt // with CATS and CATX
};

// How a function takes an argument.
enum class ArgKind { Number, Text, Any, NumberThenText, TextThenNumber };

struct FunctionInfo {
    const char *name;
    FunctionId id;
    int min_args, max_args; // max -1: any number
    VarType result;
    ArgKind args;
};

// LAGn and DIFn (n from 1 to 100) are found as LAG and DIF; lag_depth gives their n.
const FunctionInfo *find_function(std::string_view name);
int lag_depth(std::string_view name);
const FunctionInfo &function_info(FunctionId id);
// The type argument k is converted to; `given` is its own type.
VarType argument_type(const FunctionInfo &f, int k, VarType given);
// The length of a character result, from the length of the first argument.
size_t result_length(const FunctionInfo &f, size_t first_length);

} // namespace quill::host

#endif
