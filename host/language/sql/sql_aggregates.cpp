#include "language/sql/sql_aggregates.h"

#include <sqlite3.h>

#include <cmath>
#include <cstring>
#include <map>
#include <new>
#include <string>

namespace quill::host {
namespace {

// Count, mean and sum of squared deviations (Welford's updates, which also run backwards for a
// window's rows leaving it), with the least and greatest value and the sum of squares.
struct Moments {
    double n, mean, m2, uss, low, high;
};

Moments *moments(sqlite3_context *context, bool create)
{
    return static_cast<Moments *>(sqlite3_aggregate_context(context, create ? sizeof(Moments) : 0));
}

void moments_step(sqlite3_context *context, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    Moments *m = moments(context, true);
    if (!m) {
        sqlite3_result_error_nomem(context);
        return;
    }
    const double x = sqlite3_value_double(argv[0]);
    m->low = m->n == 0 ? x : std::min(m->low, x);
    m->high = m->n == 0 ? x : std::max(m->high, x);
    m->n += 1;
    const double delta = x - m->mean;
    m->mean += delta / m->n;
    m->m2 += delta * (x - m->mean);
    m->uss += x * x;
}

void moments_inverse(sqlite3_context *context, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    Moments *m = moments(context, true);
    if (!m || m->n <= 0)
        return;
    const double x = sqlite3_value_double(argv[0]);
    if (m->n == 1) {
        *m = Moments{};
        return;
    }
    const double mean = (m->n * m->mean - x) / (m->n - 1);
    m->m2 -= (x - m->mean) * (x - mean);
    m->mean = mean;
    m->n -= 1;
    m->uss -= x * x;
}

void result(sqlite3_context *context, bool defined, double value)
{
    if (defined && std::isfinite(value))
        sqlite3_result_double(context, value);
    else
        sqlite3_result_null(context);
}

template <double (*Statistic)(const Moments &, bool &)>
void moments_value(sqlite3_context *context)
{
    const Moments *m = moments(context, false);
    const Moments none{};
    bool defined = true;
    const double value = Statistic(m ? *m : none, defined);
    result(context, defined, value);
}

double variance(const Moments &m, bool &defined)
{
    defined = m.n >= 2;
    return defined ? std::max(0.0, m.m2) / (m.n - 1) : 0;
}
double standard_deviation(const Moments &m, bool &defined) { return std::sqrt(variance(m, defined)); }
double corrected_sum(const Moments &m, bool &defined)
{
    defined = m.n >= 1;
    return std::max(0.0, m.m2);
}
double uncorrected_sum(const Moments &m, bool &defined)
{
    defined = m.n >= 1;
    return m.uss;
}
double coefficient_of_variation(const Moments &m, bool &defined)
{
    const double s = standard_deviation(m, defined);
    defined = defined && m.mean != 0;
    return defined ? 100 * s / m.mean : 0;
}
double standard_error(const Moments &m, bool &defined)
{
    const double s = standard_deviation(m, defined);
    return defined ? s / std::sqrt(m.n) : 0;
}
double value_range(const Moments &m, bool &defined)
{
    defined = m.n >= 1;
    return m.high - m.low;
}

void no_inverse(sqlite3_context *context, int, sqlite3_value **)
{
    sqlite3_result_error(context, "sas_range is not computed over a moving window", -1);
}

// COUNT(DISTINCT x) over a window: the values met, each with its count, so that a row leaving
// the window takes its value out.
struct Distinct {
    std::map<std::string, long> *seen;
};

std::string distinct_key(sqlite3_value *v)
{
    if (sqlite3_value_type(v) == SQLITE_TEXT || sqlite3_value_type(v) == SQLITE_BLOB) {
        std::string key(1, 't');
        key.append(reinterpret_cast<const char *>(sqlite3_value_text(v)), static_cast<size_t>(sqlite3_value_bytes(v)));
        return key;
    }
    double x = sqlite3_value_double(v);
    if (x == 0)
        x = 0; // -0 is 0
    std::string key(1 + sizeof x, 'n');
    std::memcpy(key.data() + 1, &x, sizeof x);
    return key;
}

void distinct_change(sqlite3_context *context, sqlite3_value *v, long by)
{
    if (sqlite3_value_type(v) == SQLITE_NULL)
        return;
    auto *d = static_cast<Distinct *>(sqlite3_aggregate_context(context, sizeof(Distinct)));
    try {
        if (!d)
            throw std::bad_alloc();
        if (!d->seen)
            d->seen = new std::map<std::string, long>();
        const auto it = d->seen->emplace(distinct_key(v), 0).first;
        if ((it->second += by) <= 0)
            d->seen->erase(it);
    } catch (const std::bad_alloc &) {
        sqlite3_result_error_nomem(context);
    }
}

void distinct_step(sqlite3_context *context, int, sqlite3_value **argv) { distinct_change(context, argv[0], 1); }
void distinct_inverse(sqlite3_context *context, int, sqlite3_value **argv) { distinct_change(context, argv[0], -1); }
void distinct_value(sqlite3_context *context)
{
    const auto *d = static_cast<Distinct *>(sqlite3_aggregate_context(context, 0));
    sqlite3_result_double(context, d && d->seen ? static_cast<double>(d->seen->size()) : 0);
}
void distinct_final(sqlite3_context *context)
{
    distinct_value(context);
    if (auto *d = static_cast<Distinct *>(sqlite3_aggregate_context(context, 0)))
        delete d->seen;
}

// A scalar subquery's one value: the first row's, and a failure at a second row.
struct Single {
    long rows;
    sqlite3_value *value;
};

void single_step(sqlite3_context *context, int, sqlite3_value **argv)
{
    auto *s = static_cast<Single *>(sqlite3_aggregate_context(context, sizeof(Single)));
    if (!s) {
        sqlite3_result_error_nomem(context);
        return;
    }
    if (++s->rows == 1) {
        s->value = sqlite3_value_dup(argv[0]);
        if (!s->value)
            sqlite3_result_error_nomem(context);
    } else {
        sqlite3_result_error(context, more_than_one_row_message, -1);
    }
}

void single_final(sqlite3_context *context)
{
    auto *s = static_cast<Single *>(sqlite3_aggregate_context(context, 0));
    if (s && s->value) {
        sqlite3_result_value(context, s->value);
        sqlite3_value_free(s->value);
    } else {
        sqlite3_result_null(context);
    }
}

bool window(sqlite3 *db, const char *name, void (*step)(sqlite3_context *, int, sqlite3_value **),
            void (*final)(sqlite3_context *), void (*value)(sqlite3_context *),
            void (*inverse)(sqlite3_context *, int, sqlite3_value **))
{
    return sqlite3_create_window_function(db, name, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                          step, final, value, inverse, nullptr) == SQLITE_OK;
}

} // namespace

bool register_sql_aggregates(sqlite3 *db)
{
    return window(db, "sas_var", moments_step, moments_value<variance>, moments_value<variance>, moments_inverse) &&
           window(db, "sas_std", moments_step, moments_value<standard_deviation>, moments_value<standard_deviation>,
                  moments_inverse) &&
           window(db, "sas_css", moments_step, moments_value<corrected_sum>, moments_value<corrected_sum>,
                  moments_inverse) &&
           window(db, "sas_uss", moments_step, moments_value<uncorrected_sum>, moments_value<uncorrected_sum>,
                  moments_inverse) &&
           window(db, "sas_cv", moments_step, moments_value<coefficient_of_variation>,
                  moments_value<coefficient_of_variation>, moments_inverse) &&
           window(db, "sas_stderr", moments_step, moments_value<standard_error>, moments_value<standard_error>,
                  moments_inverse) &&
           window(db, "sas_range", moments_step, moments_value<value_range>, moments_value<value_range>, no_inverse) &&
           window(db, "sas_count_distinct", distinct_step, distinct_final, distinct_value, distinct_inverse) &&
           sqlite3_create_function(db, "sas_single", 1, SQLITE_UTF8 | SQLITE_INNOCUOUS, nullptr, nullptr, single_step,
                                   single_final) == SQLITE_OK;
}

} // namespace quill::host
