// The functions. A missing argument gives a missing result (counted where missing values are
// generated) unless the function is one that skips missing values (MIN, SUM, N ...); an argument
// outside a function's domain gives missing and a note naming the function and its arguments.
#include "language/functions.h"

#include <algorithm>
#include <cmath>

#include "base/names.h"
#include "language/macro/macro_quoting.h"
#include "language/macro/macro_symbols.h"
#include "base/number_text.h"
#include "language/expression.h"
#include "language/probability.h"

namespace quill::host {
namespace {

constexpr FunctionInfo functions[] = {
    {"LOG", fn_log, 1, 1, VarType::Numeric, ArgKind::Number},
    {"LOG2", fn_log2, 1, 1, VarType::Numeric, ArgKind::Number},
    {"LOG10", fn_log10, 1, 1, VarType::Numeric, ArgKind::Number},
    {"EXP", fn_exp, 1, 1, VarType::Numeric, ArgKind::Number},
    {"SQRT", fn_sqrt, 1, 1, VarType::Numeric, ArgKind::Number},
    {"ABS", fn_abs, 1, 1, VarType::Numeric, ArgKind::Number},
    {"ROUND", fn_round, 1, 2, VarType::Numeric, ArgKind::Number},
    {"INT", fn_int, 1, 1, VarType::Numeric, ArgKind::Number},
    {"FLOOR", fn_floor, 1, 1, VarType::Numeric, ArgKind::Number},
    {"CEIL", fn_ceil, 1, 1, VarType::Numeric, ArgKind::Number},
    {"MOD", fn_mod, 2, 2, VarType::Numeric, ArgKind::Number},
    {"MIN", fn_min, 1, -1, VarType::Numeric, ArgKind::Number},
    {"MAX", fn_max, 1, -1, VarType::Numeric, ArgKind::Number},
    {"SUM", fn_sum, 1, -1, VarType::Numeric, ArgKind::Number},
    {"MEAN", fn_mean, 1, -1, VarType::Numeric, ArgKind::Number},
    {"N", fn_n, 1, -1, VarType::Numeric, ArgKind::Number},
    {"NMISS", fn_nmiss, 1, -1, VarType::Numeric, ArgKind::Number},
    {"MISSING", fn_missing, 1, 1, VarType::Numeric, ArgKind::Any},
    {"UPCASE", fn_upcase, 1, 1, VarType::Character, ArgKind::Text},
    {"LOWCASE", fn_lowcase, 1, 1, VarType::Character, ArgKind::Text},
    {"SUBSTR", fn_substr, 2, 3, VarType::Character, ArgKind::Text},
    {"STRIP", fn_strip, 1, 1, VarType::Character, ArgKind::Text},
    {"TRIM", fn_trim, 1, 1, VarType::Character, ArgKind::Text},
    {"LEFT", fn_left, 1, 1, VarType::Character, ArgKind::Text},
    {"CATS", fn_cats, 1, -1, VarType::Character, ArgKind::Text},
    {"CATX", fn_catx, 2, -1, VarType::Character, ArgKind::Text},
    {"INDEX", fn_index, 2, 2, VarType::Numeric, ArgKind::Text},
    {"LENGTH", fn_length, 1, 1, VarType::Numeric, ArgKind::Text},
    {"SCAN", fn_scan, 2, 3, VarType::Character, ArgKind::Text},
    {"IFN", fn_ifn, 3, 4, VarType::Numeric, ArgKind::Number},
    {"IFC", fn_ifc, 3, 4, VarType::Character, ArgKind::NumberThenText},
    {"SYMGET", fn_symget, 1, 1, VarType::Character, ArgKind::Text},
    {"MDY", fn_mdy, 3, 3, VarType::Numeric, ArgKind::Number},
    {"YEAR", fn_year, 1, 1, VarType::Numeric, ArgKind::Number},
    {"MONTH", fn_month, 1, 1, VarType::Numeric, ArgKind::Number},
    {"DAY", fn_day, 1, 1, VarType::Numeric, ArgKind::Number},
    {"QTR", fn_qtr, 1, 1, VarType::Numeric, ArgKind::Number},
    {"WEEKDAY", fn_weekday, 1, 1, VarType::Numeric, ArgKind::Number},
    {"TODAY", fn_today, 0, 0, VarType::Numeric, ArgKind::Number},
    {"DATE", fn_today, 0, 0, VarType::Numeric, ArgKind::Number},
    {"DATETIME", fn_datetime_now, 0, 0, VarType::Numeric, ArgKind::Number},
    {"TIME", fn_time_now, 0, 0, VarType::Numeric, ArgKind::Number},
    {"DATEPART", fn_datepart, 1, 1, VarType::Numeric, ArgKind::Number},
    {"TIMEPART", fn_timepart, 1, 1, VarType::Numeric, ArgKind::Number},
    {"DHMS", fn_dhms, 4, 4, VarType::Numeric, ArgKind::Number},
    {"HMS", fn_hms, 3, 3, VarType::Numeric, ArgKind::Number},
    {"HOUR", fn_hour, 1, 1, VarType::Numeric, ArgKind::Number},
    {"MINUTE", fn_minute, 1, 1, VarType::Numeric, ArgKind::Number},
    {"SECOND", fn_second, 1, 1, VarType::Numeric, ArgKind::Number},
    {"INTCK", fn_intck, 3, 4, VarType::Numeric, ArgKind::Any},
    {"INTNX", fn_intnx, 3, 4, VarType::Numeric, ArgKind::Any},
    {"YRDIF", fn_yrdif, 2, 3, VarType::Numeric, ArgKind::Any},
    {"DATDIF", fn_datdif, 3, 3, VarType::Numeric, ArgKind::Any},
    {"SIN", fn_sin, 1, 1, VarType::Numeric, ArgKind::Number},
    {"COS", fn_cos, 1, 1, VarType::Numeric, ArgKind::Number},
    {"TAN", fn_tan, 1, 1, VarType::Numeric, ArgKind::Number},
    {"ARSIN", fn_arsin, 1, 1, VarType::Numeric, ArgKind::Number},
    {"ARCOS", fn_arcos, 1, 1, VarType::Numeric, ArgKind::Number},
    {"ATAN", fn_atan, 1, 1, VarType::Numeric, ArgKind::Number},
    {"ATAN2", fn_atan2, 2, 2, VarType::Numeric, ArgKind::Number},
    {"SINH", fn_sinh, 1, 1, VarType::Numeric, ArgKind::Number},
    {"COSH", fn_cosh, 1, 1, VarType::Numeric, ArgKind::Number},
    {"TANH", fn_tanh, 1, 1, VarType::Numeric, ArgKind::Number},
    {"PROBNORM", fn_probnorm, 1, 1, VarType::Numeric, ArgKind::Number},
    {"PROBIT", fn_probit, 1, 1, VarType::Numeric, ArgKind::Number},
    {"COALESCE", fn_coalesce, 1, -1, VarType::Numeric, ArgKind::Number},
    {"CDF", fn_cdf, 2, 5, VarType::Numeric, ArgKind::TextThenNumber},
    {"PDF", fn_pdf, 2, 5, VarType::Numeric, ArgKind::TextThenNumber},
    {"QUANTILE", fn_quantile, 2, 5, VarType::Numeric, ArgKind::TextThenNumber},
    {"RAND", fn_rand, 1, 4, VarType::Numeric, ArgKind::TextThenNumber},
    {"RANUNI", fn_ranuni, 1, 1, VarType::Numeric, ArgKind::Number},
    {"RANNOR", fn_rannor, 1, 1, VarType::Numeric, ArgKind::Number},
    {"LAG", fn_lag, 1, 1, VarType::Numeric, ArgKind::Any},
    {"DIF", fn_dif, 1, 1, VarType::Numeric, ArgKind::Number},
    {"COMPRESS", fn_compress, 1, 3, VarType::Character, ArgKind::Text},
    {"COALESCEC", fn_coalescec, 1, -1, VarType::Character, ArgKind::Text},
    {"TRANWRD", fn_tranwrd, 3, 3, VarType::Character, ArgKind::Text},
    {"PROPCASE", fn_propcase, 1, 2, VarType::Character, ArgKind::Text},
    {"FIND", fn_find, 2, 4, VarType::Numeric, ArgKind::Any},
    {"COUNTW", fn_countw, 1, 3, VarType::Numeric, ArgKind::Text},
    {"INPUTN", fn_inputn, 2, 4, VarType::Numeric, ArgKind::Any},
    {"PUTN", fn_putn, 2, 4, VarType::Character, ArgKind::Any},
    {"CAT", fn_cat, 1, -1, VarType::Character, ArgKind::Any},
    {"CATT", fn_catt, 1, -1, VarType::Character, ArgKind::Any},
};

std::string_view trim_right(std::string_view s)
{
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

std::string_view strip(std::string_view s)
{
    s = trim_right(s);
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

// Halves go away from zero; a value a rounding error short of a half counts as the half.
double round_to(double x, double unit)
{
    const double q = std::fabs(x / unit);
    double r = std::floor(q);
    if (q - r >= 0.5 - half_tolerance(q))
        r += 1;
    // A unit such as 0.01 divides by its inverse, so that 2.35 comes out as the nearest double.
    const double inverse = 1 / unit;
    const double magnitude =
        unit < 1 && std::fabs(inverse - std::round(inverse)) < 1e-9 ? r / std::round(inverse) : r * unit;
    return std::copysign(magnitude, x);
}

} // namespace

int lag_depth(std::string_view name)
{
    if (name.size() < 3)
        return 0;
    const std::string upper = upper_case(name.substr(0, 3));
    if (upper != "LAG" && upper != "DIF")
        return 0;
    if (name.size() == 3)
        return 1;
    int depth = 0;
    for (const char c : name.substr(3)) {
        if (c < '0' || c > '9' || depth > 100)
            return 0;
        depth = depth * 10 + (c - '0');
    }
    return name[3] != '0' && depth <= 100 ? depth : 0;
}

const FunctionInfo *find_function(std::string_view name)
{
    const std::string upper = upper_case(lag_depth(name) > 0 ? name.substr(0, 3) : name);
    for (const FunctionInfo &f : functions)
        if (upper == f.name)
            return &f;
    return nullptr;
}

const FunctionInfo &function_info(FunctionId id)
{
    for (const FunctionInfo &f : functions)
        if (f.id == id)
            return f;
    return functions[0];
}

VarType argument_type(const FunctionInfo &f, int k, VarType given)
{
    switch (f.id) {
    case fn_missing:
    case fn_lag:
    case fn_cat:
    case fn_catt:
    case fn_cats: return given;
    case fn_find: return k < 2 ? VarType::Character : given;
    case fn_inputn: return k < 2 ? VarType::Character : VarType::Numeric;
    case fn_putn: return k == 1 ? VarType::Character : VarType::Numeric;
    case fn_catx: return k == 0 ? VarType::Character : given;
    case fn_substr: return k == 0 ? VarType::Character : VarType::Numeric;
    case fn_scan: return k == 1 ? VarType::Numeric : VarType::Character;
    case fn_ifc: return k == 0 ? VarType::Numeric : VarType::Character;
    case fn_intck:
    case fn_intnx: return k == 0 || k == 3 ? VarType::Character : VarType::Numeric;
    case fn_yrdif:
    case fn_datdif: return k == 2 ? VarType::Character : VarType::Numeric;
    default:
        if (f.args == ArgKind::TextThenNumber)
            return k == 0 ? VarType::Character : VarType::Numeric;
        return f.args == ArgKind::Text ? VarType::Character : VarType::Numeric;
    }
}

size_t result_length(const FunctionInfo &f, size_t first_length)
{
    switch (f.id) {
    case fn_cats:
    case fn_catx:
    case fn_cat:
    case fn_catt:
    case fn_symget:
    case fn_coalescec:
    case fn_tranwrd:
    case fn_putn: return 200;
    default: return std::max<size_t>(1, first_length);
    }
}

double ExpressionSet::call(const Node &n, const Row &row) const
{
    if (n.function >= fn_mdy && n.function <= fn_datdif)
        return call_date(n, row);
    if (n.function >= fn_cdf && n.function <= fn_rannor)
        return call_probability(n, row);
    if (n.function == fn_lag || n.function == fn_dif)
        return call_lag(n, row);
    if (n.function >= fn_compress && n.function <= fn_putn)
        return call_text_number(n, row);
    Place &p = places_[static_cast<size_t>(n.place)];
    auto arg = [&](int k) { return args_[static_cast<size_t>(n.first + k)]; };
    switch (n.function) {
    case fn_min:
    case fn_max:
    case fn_sum:
    case fn_mean:
    case fn_n:
    case fn_nmiss: {
        double acc = 0;
        long count = 0, missing = 0;
        for (int k = 0; k < n.count; ++k) {
            const double v = number(arg(k), row);
            if (is_missing(v)) {
                ++missing;
                continue;
            }
            if (count == 0 && (n.function == fn_min || n.function == fn_max))
                acc = v;
            else if (n.function == fn_min)
                acc = std::min(acc, v);
            else if (n.function == fn_max)
                acc = std::max(acc, v);
            else
                acc += v;
            ++count;
        }
        if (n.function == fn_n)
            return static_cast<double>(count);
        if (n.function == fn_nmiss)
            return static_cast<double>(missing);
        if (count == 0)
            return missing_value();
        return n.function == fn_mean ? acc / static_cast<double>(count) : acc;
    }
    case fn_missing:
        if (nodes_[static_cast<size_t>(arg(0))].type == VarType::Character)
            return trim_right(text(arg(0), row)).empty() ? 1 : 0;
        return is_missing(number(arg(0), row)) ? 1 : 0;
    case fn_index: {
        const std::string_view s = text(arg(0), row);
        const std::string_view t = trim_right(text(arg(1), row));
        if (t.empty())
            return 0;
        const size_t at = s.find(t);
        return at == std::string_view::npos ? 0 : static_cast<double>(at + 1);
    }
    case fn_length: {
        const size_t length = trim_right(text(arg(0), row)).size();
        return static_cast<double>(std::max<size_t>(1, length));
    }
    case fn_input: {
        double v;
        if (!input_number(text(arg(0), row), n.format, v)) {
            ++p.failed;
            event("Invalid argument to function INPUT at line " + std::to_string(p.line) + " column " +
                  std::to_string(p.column) + ".");
        }
        return v;
    }
    case fn_coalesce:
        for (int k = 0; k < n.count; ++k)
            if (const double v = number(arg(k), row); !is_missing(v))
                return v;
        return missing_value();
    case fn_ifn: {
        const double c = number(arg(0), row);
        if (is_missing(c) && n.count == 4)
            return number(arg(3), row);
        return c != 0 && !is_missing(c) ? number(arg(1), row) : number(arg(2), row);
    }
    default: break;
    }
    // The functions of one or two numbers: missing in, missing out.
    const double x = number(arg(0), row);
    const double y = n.count > 1 ? number(arg(1), row) : 1;
    if (is_missing(x) || is_missing(y)) {
        ++p.missing;
        return missing_value();
    }
    return math(n, x, y);
}

// The functions of one or two numbers, neither missing.
double ExpressionSet::math(const Node &n, double x, double y) const
{
    Place &p = places_[static_cast<size_t>(n.place)];
    auto invalid = [&](const char *name, std::initializer_list<double> values) {
        ++p.failed;
        std::string text = std::string("Invalid argument to function ") + name + "(";
        bool first = true;
        for (double v : values) {
            if (!first)
                text += ',';
            text += best_text(v);
            first = false;
        }
        event(text + ") at line " + std::to_string(p.line) + " column " + std::to_string(p.column) + ".");
        return missing_value();
    };
    switch (n.function) {
    case fn_log: return x > 0 ? std::log(x) : invalid("LOG", {x});
    case fn_log2: return x > 0 ? std::log2(x) : invalid("LOG2", {x});
    case fn_log10: return x > 0 ? std::log10(x) : invalid("LOG10", {x});
    case fn_exp: {
        const double r = std::exp(x);
        return std::isfinite(r) ? r : invalid("EXP", {x});
    }
    case fn_sqrt: return x >= 0 ? std::sqrt(x) : invalid("SQRT", {x});
    case fn_abs: return std::fabs(x);
    case fn_round:
        if (n.count == 1 || y == 1)
            return std::round(x);
        return y > 0 ? round_to(x, y) : invalid("ROUND", {x, y});
    case fn_int: return std::trunc(x);
    case fn_floor: return std::floor(x);
    case fn_ceil: return std::ceil(x);
    case fn_mod: return y != 0 ? std::fmod(x, y) : invalid("MOD", {x, y});
    case fn_sin: return std::sin(x);
    case fn_cos: return std::cos(x);
    case fn_tan: return std::tan(x);
    case fn_arsin: return x >= -1 && x <= 1 ? std::asin(x) : invalid("ARSIN", {x});
    case fn_arcos: return x >= -1 && x <= 1 ? std::acos(x) : invalid("ARCOS", {x});
    case fn_atan: return std::atan(x);
    case fn_atan2: return x != 0 || y != 0 ? std::atan2(x, y) : invalid("ATAN2", {x, y});
    case fn_sinh:
    case fn_cosh: {
        const double r = n.function == fn_sinh ? std::sinh(x) : std::cosh(x);
        return std::isfinite(r) ? r : invalid(n.function == fn_sinh ? "SINH" : "COSH", {x});
    }
    case fn_tanh: return std::tanh(x);
    case fn_probnorm: return normal_cdf(x);
    case fn_probit: return x > 0 && x < 1 ? normal_quantile(x) : invalid("PROBIT", {x});
    default: return missing_value();
    }
}

const std::string &ExpressionSet::call_text(const Node &n, const Row &row) const
{
    Place &p = places_[static_cast<size_t>(n.place)];
    auto arg = [&](int k) { return args_[static_cast<size_t>(n.first + k)]; };
    std::string &out = n.result;
    auto note_invalid = [&](const char *which, const char *name) {
        ++p.failed;
        event(std::string("Invalid ") + which + (*which ? " " : "") + "argument to function " + name + " at line " + std::to_string(p.line) +
              " column " + std::to_string(p.column) + ".");
    };
    if (n.function >= fn_compress && n.function <= fn_putn)
        return call_text_more(n, row);
    if (n.function == fn_lag)
        return call_lag_text(n, row);
    switch (n.function) {
    case fn_upcase:
    case fn_lowcase: {
        out.assign(text(arg(0), row));
        for (char &c : out)
            c = static_cast<char>(n.function == fn_upcase ? std::toupper(static_cast<unsigned char>(c)) :
                                                            std::tolower(static_cast<unsigned char>(c)));
        return out;
    }
    case fn_put:
        if (n.format.character())
            put_text(text(arg(0), row), n.format, out);
        else
            put_number(number(arg(0), row), n.format, out);
        return out;
    case fn_input:
        if (!input_text(text(arg(0), row), n.format, out)) {
            note_invalid("", "INPUT");
            out.clear();
        }
        return out;
    case fn_strip: out.assign(strip(text(arg(0), row))); return out;
    case fn_symget: {
        // The macro variable's value as it is now: a CALL SYMPUTX earlier in the step shows.
        const std::string *value = macro_symbols_ ? macro_symbols_->find(upper_case(strip(text(arg(0), row)))) : nullptr;
        out.assign(value ? unmask_text(*value) : std::string());
        if (!value) {
            ++p.failed;
            event("Invalid argument to function SYMGET at line " + std::to_string(p.line) + " column " +
                  std::to_string(p.column) + ".");
        }
        return out;
    }
    case fn_trim: out.assign(trim_right(text(arg(0), row))); return out;
    case fn_left: {
        const std::string_view s = text(arg(0), row);
        const size_t first = s.find_first_not_of(' ');
        out.assign(first == std::string_view::npos ? std::string_view() : s.substr(first));
        return out;
    }
    case fn_cat:
    case fn_catt:
    case fn_cats:
    case fn_catx: {
        // CAT joins the values as they are, CATT without trailing blanks, CATS and CATX without
        // blanks at either end (CATX between separators, leaving out blank and missing values).
        out.clear();
        const int start = n.function == fn_catx ? 1 : 0;
        const std::string_view separator = n.function == fn_catx ? text(arg(0), row) : std::string_view();
        bool any = false;
        for (int k = start; k < n.count; ++k) {
            // A number is written as BEST12. writes it, without the blanks.
            const int a = arg(k);
            const bool numeric = nodes_[static_cast<size_t>(a)].type == VarType::Numeric;
            if (numeric)
                out_number_ = best_text(number(a, row));
            const std::string_view item = numeric                   ? std::string_view(out_number_) :
                                          n.function == fn_cat  ? std::string_view(text(a, row)) :
                                          n.function == fn_catt ? trim_right(text(a, row)) :
                                                                  strip(text(a, row));
            if (n.function == fn_catx && (item.empty() || item == "."))
                continue;
            if (any)
                out.append(separator);
            out.append(item);
            any = true;
            // A variable's value is its full length for CAT: the blanks that fill it too.
            const Node &v = nodes_[static_cast<size_t>(a)];
            if (n.function == fn_cat && !numeric && (v.op == Op::Var || v.op == Op::Element) && item.size() < v.length)
                out.append(v.length - item.size(), ' ');
        }
        if (out.size() > n.length)
            out.resize(n.length);
        return out;
    }
    case fn_substr: {
        const std::string &s = text(arg(0), row);
        const size_t length = nodes_[static_cast<size_t>(arg(0))].length;
        const double start = number(arg(1), row);
        out.clear();
        if (is_missing(start) || start < 1 || start >= static_cast<double>(length) + 1) {
            note_invalid("second", "SUBSTR");
            return out;
        }
        const size_t from = static_cast<size_t>(start) - 1;
        size_t count = length - from;
        if (n.count == 3) {
            const double want = number(arg(2), row);
            if (is_missing(want) || want < 0 || static_cast<double>(from) + want > static_cast<double>(length)) {
                note_invalid("third", "SUBSTR");
            } else {
                count = static_cast<size_t>(want);
            }
        }
        if (from < s.size())
            out.assign(s, from, std::min(count, s.size() - from));
        return out;
    }
    case fn_scan: {
        const std::string_view s = text(arg(0), row);
        const double which = number(arg(1), row);
        const std::string_view delimiters = n.count == 3 ? text(arg(2), row) : std::string_view(" !$%&()*+,-./;<^|");
        out.clear();
        if (is_missing(which) || which == 0) {
            note_invalid("second", "SCAN");
            return out;
        }
        // The words, counted from the left for a positive count and from the right for a negative one.
        std::vector<std::pair<size_t, size_t>> words; // allocation only for SCAN, bounded by the text
        size_t i = 0;
        while (i < s.size()) {
            while (i < s.size() && delimiters.find(s[i]) != std::string_view::npos)
                ++i;
            const size_t start = i;
            while (i < s.size() && delimiters.find(s[i]) == std::string_view::npos)
                ++i;
            if (i > start)
                words.emplace_back(start, i - start);
        }
        const double count = static_cast<double>(words.size());
        if (std::fabs(which) > count)
            return out;
        const size_t k = which > 0 ? static_cast<size_t>(which) - 1 : words.size() - static_cast<size_t>(-which);
        out.assign(s.substr(words[k].first, words[k].second));
        return out;
    }
    case fn_ifc: {
        const double c = number(arg(0), row);
        if (is_missing(c) && n.count == 4)
            out.assign(text(arg(3), row));
        else
            out.assign(c != 0 && !is_missing(c) ? text(arg(1), row) : text(arg(2), row));
        return out;
    }
    default: out.clear(); return out;
    }
}

} // namespace quill::host
