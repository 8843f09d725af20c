// The date and time functions of expressions: MDY, YEAR, MONTH, DAY, QTR, WEEKDAY, TODAY (DATE),
// DATETIME, TIME, DATEPART, TIMEPART, DHMS, HMS, HOUR, MINUTE, SECOND, INTCK, INTNX, YRDIF and
// DATDIF. A missing argument gives missing (counted where missing values are generated); an
// argument outside the function's domain gives missing and a note naming the function and its
// arguments.
#include <cctype>
#include <cmath>
#include <ctime>

#include "base/number_text.h"
#include "language/calendar.h"
#include "language/expression.h"
#include "language/functions.h"

namespace quill::host {
namespace {

// The local clock now: days since 1960 and seconds since midnight.
void now(double &days, double &seconds)
{
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    days = static_cast<double>(days_from_civil(local.tm_year + 1900L, local.tm_mon + 1, local.tm_mday));
    seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
}

double floor_mod(double x, double m) { return x - std::floor(x / m) * m; }

// The text without trailing blanks, upper-cased when asked.
std::string upper_trimmed(std::string_view text, bool upper)
{
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    std::string s(text);
    if (upper)
        for (char &c : s)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool has_text_argument(int function, int k)
{
    return ((function == fn_intck || function == fn_intnx) && (k == 0 || k == 3)) ||
           ((function == fn_yrdif || function == fn_datdif) && k == 2);
}

} // namespace

double ExpressionSet::call_date(const Node &n, const Row &row) const
{
    Place &p = places_[static_cast<size_t>(n.place)];
    auto arg = [&](int k) { return args_[static_cast<size_t>(n.first + k)]; };
    const FunctionInfo &info = function_info(static_cast<FunctionId>(n.function));
    // "Invalid argument to function INTCK('months',23390,23400) at line L column C."
    auto invalid = [&]() {
        ++p.failed;
        std::string message = std::string("Invalid argument to function ") + info.name + "(";
        for (int k = 0; k < n.count; ++k) {
            if (k > 0)
                message += ',';
            if (has_text_argument(n.function, k))
                message.append("'").append(upper_trimmed(text(arg(k), row), false)).append("'");
            else
                message.append(best_text(number(arg(k), row)));
        }
        event(message + ") at line " + std::to_string(p.line) + " column " + std::to_string(p.column) + ".");
        return missing_value();
    };
    double x[4] = {0, 0, 0, 0};
    for (int k = 0; k < n.count; ++k) {
        if (has_text_argument(n.function, k))
            continue;
        x[k] = number(arg(k), row);
        if (is_missing(x[k])) {
            ++p.missing;
            return missing_value();
        }
    }
    const CivilDate c = civil_from_days(static_cast<long>(std::floor(std::fabs(x[0]) < 1e9 ? x[0] : 0)));
    const bool date_in_range = std::fabs(x[0]) < 1e9;
    double days = 0, seconds = 0;
    switch (n.function) {
    case fn_mdy: {
        long date = 0;
        const double year = x[2] >= 0 && x[2] < 100 ? static_cast<double>(full_year(static_cast<long>(x[2]))) : x[2];
        const bool whole = x[0] == std::floor(x[0]) && x[1] == std::floor(x[1]) && x[0] >= 1 && x[0] <= 12 &&
                           x[1] >= 1 && x[1] <= 31 && std::fabs(year) <= 1e6;
        if (!whole || !date_of(static_cast<long>(year), static_cast<int>(x[0]), static_cast<int>(x[1]), date))
            return invalid();
        return static_cast<double>(date);
    }
    case fn_year: return date_in_range ? static_cast<double>(c.year) : invalid();
    case fn_month: return date_in_range ? c.month : invalid();
    case fn_day: return date_in_range ? c.day : invalid();
    case fn_qtr: return date_in_range ? (c.month - 1) / 3 + 1 : invalid();
    case fn_weekday: return date_in_range ? weekday_of(static_cast<long>(std::floor(x[0]))) : invalid();
    case fn_today: now(days, seconds); return days;
    case fn_datetime_now: now(days, seconds); return days * seconds_per_day + seconds;
    case fn_time_now: now(days, seconds); return seconds;
    case fn_datepart: return std::floor(x[0] / seconds_per_day);
    case fn_timepart: return floor_mod(x[0], seconds_per_day);
    case fn_dhms: return x[0] * seconds_per_day + x[1] * 3600 + x[2] * 60 + x[3];
    case fn_hms: return x[0] * 3600 + x[1] * 60 + x[2];
    case fn_hour: return std::floor(floor_mod(x[0], seconds_per_day) / 3600);
    case fn_minute: return std::floor(floor_mod(x[0], 3600) / 60);
    case fn_second: return floor_mod(x[0], 60);
    default: break;
    }
    if (n.function == fn_intck || n.function == fn_intnx) {
        Interval interval;
        Alignment alignment = Alignment::Begin;
        // INTCK's method: C (CONT, CONTINUOUS) or D (DISC, DISCRETE); INTNX's alignment.
        const std::string method = n.count == 4 ? upper_trimmed(text(arg(3), row), true) : std::string();
        const bool continuous = method == "C" || method == "CONT" || method == "CONTINUOUS";
        const bool discrete = method == "D" || method == "DISC" || method == "DISCRETE";
        const bool method_ok = n.count < 4 || (n.function == fn_intck ? continuous || discrete
                                                                      : parse_alignment(method, alignment));
        if (!parse_interval(text(arg(0), row), interval) || !method_ok || std::fabs(x[1]) > 1e12 || std::fabs(x[2]) > 1e12)
            return invalid();
        if (n.function == fn_intck)
            return interval_count(interval, x[1], x[2], continuous);
        const double result = interval_advance(interval, x[1], x[2], alignment);
        return std::isnan(result) ? invalid() : result;
    }
    YearBasis basis = n.function == fn_yrdif ? YearBasis::Age : YearBasis::ActAct;
    if ((n.count == 3 && !parse_year_basis(text(arg(2), row), basis)) || std::fabs(x[0]) > 1e9 || std::fabs(x[1]) > 1e9 ||
        (n.function == fn_datdif && basis != YearBasis::ActAct && basis != YearBasis::Thirty360))
        return invalid();
    const long from = static_cast<long>(std::floor(x[0])), to = static_cast<long>(std::floor(x[1]));
    if (n.function == fn_yrdif)
        return year_difference(from, to, basis);
    // DATDIF: the days between, or 360 times the 30/360 years.
    return basis == YearBasis::ActAct ? static_cast<double>(to - from) : std::round(year_difference(from, to, basis) * 360);
}

} // namespace quill::host
