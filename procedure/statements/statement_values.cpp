// check_statement_values: the statement values whose validity does not depend on the data,
// checked as soon as the statements are parsed, so that a mistyped setting is refused before
// the data set is read and the grid is fitted. Each refusal names the statement, the value
// given, what is allowed and the program line of the value; the first one ends the run.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "host_link.h"
#include "proc_run.h"
#include "shown_number.h"
#include "statements/statement_slots.h"
#include "statements/statements.h"

namespace quill::proc {
namespace {

// The slot when the statements gave it a value, else nothing.
const qh_param *given(const qh_statement *record, int number) {
    if (record == nullptr || record->slots == nullptr || record->slot_count < number) return nullptr;
    const qh_param &param = QH_SLOT(record, number);
    return param.specified > 0 ? &param : nullptr;
}

[[noreturn]] void refuse(const char *statement, const qh_param &param, const char *allowed) {
    fail("%1z%s %s is out of range: %s must be %s (line %d).", statement,
         shown_number(param.number).text, statement, allowed, param.line);
}

// `valid` is false for a missing value, since every comparison with it is.
void check_number(const qh_statement *proc, int number, const char *statement,
                  bool (*valid)(double), const char *allowed) {
    const qh_param *param = given(proc, number);
    if (param != nullptr && !valid(param->number)) refuse(statement, *param, allowed);
}

void check_lambdas(const qh_statement *proc) {
    check_number(proc, slot_minlambda, "MINLAMBDA", [](double v) { return v >= 0.0; }, "at least 0");
    check_number(proc, slot_maxlambda, "MAXLAMBDA", [](double v) { return v >= 0.0; }, "at least 0");
    const qh_param *min = given(proc, slot_minlambda);
    const qh_param *max = given(proc, slot_maxlambda);
    const qh_param *full = given(proc, slot_maxlambda_full);
    if (max != nullptr && full != nullptr)
        fail("%1zMAXLAMBDA is given both as FULL and as %s: give one of them (line %d).",
             shown_number(max->number).text, std::max(max->line, full->line));
    if (min == nullptr || max == nullptr || max->number >= min->number) return;
    char allowed[64];
    std::snprintf(allowed, sizeof allowed, "at least MINLAMBDA, which is %s",
                  shown_number(min->number).text);
    refuse("MAXLAMBDA", *max, allowed);
}

// A: SCAD's shape above 2, MCP's gamma above 1; the lasso has no shape, and A is only warned of.
void check_shape(const proc_options &options, const qh_statement *proc) {
    if (options.penalty == penalty_scad)
        check_number(proc, slot_a, "A", [](double v) { return v > 2.0 && std::isfinite(v); },
                     "a finite number greater than 2");
    else if (options.penalty == penalty_mcp)
        check_number(proc, slot_a, "A", [](double v) { return v > 1.0 && std::isfinite(v); },
                     "a finite number greater than 1 with PENALTY MCP");
    else if (const qh_param *a = given(proc, slot_a))
        host().log("%2zA is ignored: the LASSO penalty has no shape (line %d).", a->line);
}

// The response named again among the predictors would be fitted by itself.
void check_response_not_predictor(const proc_options &options, const qh_statement *model) {
    for (int32_t i = 0; i < options.p; ++i)
        if (options.predictors[i].var.number == options.response.number)
            fail("%1zThe response %s is also named among the predictors in the MODEL statement "
                 "(line %d).",
                 trimmed(options.response.name.text).text, given(model, model_slot_response)->line);
}

void check_selection(const proc_options &options, const qh_statement *proc) {
    const qh_param *selection = given(proc, slot_selection);
    if (options.selection != selection_gcv || options.model == model_normal) return;
    const qh_param *dist = given(proc, slot_dist);
    fail("%1zSELECTION GCV cannot be used with DIST %s: SELECTION must be BIC except with the "
         "normal model (line %d).",
         trimmed(dist->text).text, selection->line);
}

// The projection formula is limited in design columns; each numeric predictor takes one, so
// that many of them already exceed the limit before the CLASS levels are known.
void check_projection(const proc_options &options, const qh_statement *proc) {
    if (options.df != df_projection) return;
    int32_t numeric = 0;
    for (int32_t i = 0; i < options.p; ++i) numeric += options.predictors[i].is_class ? 0 : 1;
    if (numeric > kMaxProjectionColumns)
        fail("%1zDF PROJECTION cannot be used with %d numeric predictors: it allows at most %d "
             "design columns (line %d).",
             numeric, kMaxProjectionColumns, given(proc, slot_df)->line);
}

// The statements of cross-validation: in range, and a warning for each one that has no effect.
void check_cross_validation(proc_options &options, const qh_statement *proc) {
    check_number(proc, slot_folds, "FOLDS", [](double v) { return v >= 2.0 && v == std::floor(v); },
                 "a whole number of at least 2");
    check_number(proc, slot_seed, "SEED",
                 [](double v) { return v >= 0.0 && v <= 9007199254740991.0 && v == std::floor(v); },
                 "a whole number from 0 to 9007199254740991");
    const qh_param *folds = given(proc, slot_folds);
    options.cv_folds_line = folds != nullptr ? folds->line : 0;
    struct statement { const char *name; int slot; };
    static constexpr statement kStatements[] = {
        {"FOLDS", slot_folds}, {"SEED", slot_seed}, {"FOLD", slot_fold}, {"CVRULE", slot_cvrule}};
    for (const statement &s : kStatements) {
        const qh_param *param = given(proc, s.slot);
        if (param == nullptr) continue;
        if (options.selection != selection_cv)
            host().log("%2z%s is ignored: it applies only with SELECTION CV (line %d).", s.name,
                       param->line);
        else if (options.has_fold && (s.slot == slot_folds || s.slot == slot_seed))
            host().log("%2z%s is ignored: the FOLD variable %s makes the folds (line %d).", s.name,
                       trimmed(options.fold.name.text).text, param->line);
    }
    if (options.has_fold) options.cv_folds = 0;
}

} // namespace

void check_statement_values(proc_options &options, const qh_statement *proc,
                            const qh_statement *model) {
    check_response_not_predictor(options, model);
    char grid_sizes[32];
    std::snprintf(grid_sizes, sizeof grid_sizes, "from 1 to %d", kMaxGridSize);
    check_number(proc, slot_gridsize, "GRIDSIZE",
                 [](double v) { return v >= 1.0 && v <= kMaxGridSize; }, grid_sizes);
    check_number(proc, slot_maxiter, "MAXITER", [](double v) { return v >= 1.0; }, "at least 1");
    check_number(proc, slot_criterion, "CRITERION", [](double v) { return v > 0.0 && v < 1.0; },
                 "greater than 0 and less than 1");
    check_shape(options, proc);
    check_number(proc, slot_ebicgamma, "EBICGAMMA", [](double v) { return v >= 0.0 && v <= 1.0; },
                 "from 0 to 1");
    check_lambdas(proc);
    check_cross_validation(options, proc);
    check_selection(options, proc);
    check_projection(options, proc);
}

} // namespace quill::proc
