// Function calls: SAS's summary functions (SQLite's own where it has the same one, ours where it
// does not), COALESCE, and every function of the DATA step through the engine's sas_call.
#include <algorithm>

#include "base/names.h"
#include "language/functions.h"
#include "language/sql/sql_translator.h"

namespace quill::host {
namespace {

// A summary function: SQLite's call for it alone and over a remerged group's window.
struct SummaryRow {
    const char *name;
    const char *plain;  // the call, "fn(" — its argument and ")" follow
    const char *window; // the same over a window
    bool numeric;       // takes numbers only
    bool same_type;     // its result has its argument's type (MIN, MAX)
};

// ORDER: any; looked up by name.
constexpr SummaryRow summaries[] = {
    {"COUNT", "count(", "count(", false, false},     {"FREQ", "count(", "count(", false, false},
    {"N", "count(", "count(", false, false},         {"NMISS", "total(", "total(", false, false},
    {"SUM", "sum(", "sum(", true, false},            {"AVG", "avg(", "avg(", true, false},
    {"MEAN", "avg(", "avg(", true, false},           {"MIN", "min(", "min(", false, true},
    {"MAX", "max(", "max(", false, true},            {"STD", "sas_std(", "sas_std(", true, false},
    {"VAR", "sas_var(", "sas_var(", true, false},    {"CSS", "sas_css(", "sas_css(", true, false},
    {"USS", "sas_uss(", "sas_uss(", true, false},    {"CV", "sas_cv(", "sas_cv(", true, false},
    {"STDERR", "sas_stderr(", "sas_stderr(", true, false}, {"RANGE", "sas_range(", "sas_range(", true, false},
};

const SummaryRow *find_summary(const std::string &name)
{
    for (const SummaryRow &row : summaries)
        if (name == row.name)
            return &row;
    return nullptr;
}

// The DATA step functions that keep a name SQL also knows them by.
std::string data_step_name(const std::string &name)
{
    if (name == "UPPER")
        return "UPCASE";
    if (name == "LOWER")
        return "LOWCASE";
    return name;
}

} // namespace

bool SqlTranslator::call(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out)
{
    const SummaryRow *summary_row = find_summary(e.name);
    // MIN, MAX, SUM, N, NMISS and MEAN of several values are the DATA step's row functions.
    if (summary_row && (e.star || e.args.size() == 1 || (e.args.empty() && e.name == "COUNT")))
        return summary(e, scope, clause, out);
    if (summary_row && (e.name == "COUNT" || e.name == "FREQ" || e.name == "AVG" || !find_function(e.name)))
        return fail("The " + e.name + " summary function requires one argument", e.at);
    if (e.star || e.distinct)
        return fail("Function " + e.name + " does not take " + std::string(e.star ? "*" : "DISTINCT"), e.at);
    if (e.name == "COALESCE" || e.name == "COALESCEC") {
        if (e.args.empty())
            return fail("Function " + e.name + " requires at least one argument", e.at);
        std::string sql = "coalesce(";
        for (size_t k = 0; k < e.args.size(); ++k) {
            SqlTerm arg;
            if (!term(*e.args[k], scope, clause, arg))
                return false;
            if (k == 0)
                out.type = arg.type;
            else if (!same_type(out, arg, e.name, e.args[k]->at))
                return false;
            out.length = std::max(k == 0 ? 0 : out.length, arg.length);
            merge(out, arg);
            sql += (k ? ", " : "") + arg.sql;
        }
        out.sql = sql + (e.args.size() == 1 ? ", NULL)" : ")");
        return true;
    }
    return data_step_function(e, scope, clause, out);
}

// COUNT(*), COUNT(x), COUNT(DISTINCT x), SUM(x) ...: written with both forms between the markers,
// since only the whole query tells whether it is remerged.
bool SqlTranslator::summary(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out)
{
    const SummaryRow &row = *find_summary(e.name);
    if (clause != SqlClause::Select && clause != SqlClause::Having && clause != SqlClause::OrderBy)
        return fail("Summary functions are restricted to the SELECT and HAVING clauses only", e.at);
    if (in_summary_ > 0)
        return fail("Summary functions nested in this way are not supported", e.at);
    std::string plain, window;
    if (e.star) {
        if (e.name != "COUNT" && e.name != "FREQ" && e.name != "N")
            return fail("Function " + e.name + " does not take *", e.at);
        plain = window = "count(*)";
    } else {
        SqlTerm arg;
        ++in_summary_;
        const bool ok = e.args.size() == 1 && term(*e.args[0], scope, clause, arg);
        --in_summary_;
        if (!ok)
            return e.args.size() == 1 ? false : fail("The " + e.name + " summary function requires one argument", e.at);
        if (row.numeric && arg.type != VarType::Numeric)
            return fail("The " + e.name + " summary function requires a numeric argument", e.at);
        merge(out, arg);
        const std::string value = e.name == "NMISS" ? "(" + arg.sql + " IS NULL)" : arg.sql;
        plain = std::string(row.plain) + (e.distinct ? "DISTINCT " : "") + value + ")";
        if (!e.distinct)
            window = std::string(row.window) + value + ")";
        else if (std::string_view(row.plain) == "count(")
            window = "sas_count_distinct(" + value + ")";
        if (row.same_type) {
            out.type = arg.type;
            out.length = arg.length;
        }
    }
    out.aggregate = true;
    out.sql = std::string(1, summary_begin) + plain + summary_window + window + summary_end;
    return true;
}

// A function of the DATA step, compiled by the DATA step's parser and called through sas_call.
bool SqlTranslator::data_step_function(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out)
{
    const std::string name = data_step_name(e.name);
    const bool put_or_input = name == "PUT" || name == "INPUT";
    const FunctionInfo *info = find_function(name);
    if (!info && !put_or_input)
        return fail("Function " + e.name + " could not be located", e.at);
    std::vector<Variable> arguments;
    std::string args_sql;
    for (size_t k = 0; k < e.args.size(); ++k) {
        SqlTerm arg;
        if (!term(*e.args[k], scope, clause, arg))
            return false;
        const VarType wanted = put_or_input ? (name == "INPUT" ? VarType::Character : arg.type)
                                            : argument_type(*info, static_cast<int>(k), arg.type);
        if (wanted != arg.type)
            return fail("Function " + name + " requires a " +
                            (wanted == VarType::Numeric ? "numeric" : "character") + " expression as argument " +
                            std::to_string(k + 1),
                        e.args[k]->at);
        merge(out, arg);
        Variable v;
        v.type = arg.type;
        v.length = arg.length;
        arguments.push_back(v);
        args_sql += ", " + arg.sql;
    }
    if (!plan_.calls)
        plan_.calls = std::make_unique<SqlCalls>(env_.symbols);
    Token at = e.at;
    at.text = at.source = name;
    std::string error;
    const int site = plan_.calls->add(at, arguments, e.format, error);
    if (site < 0) {
        if (error_.empty())
            error_ = error;
        return false;
    }
    out.type = plan_.calls->type(site);
    out.length = out.type == VarType::Character ? plan_.calls->length(site) : number_length;
    out.sql = "sas_call(" + std::to_string(site) + args_sql + ")";
    return true;
}

} // namespace quill::host
