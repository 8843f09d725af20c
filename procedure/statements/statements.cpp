// parse_statements: checks what the host parsed from the PROC QUILLFIT step, in a fixed order,
// and turns it into the run's options: data sets, variables, codes and numbers. The first
// failing check writes its message and ends the run.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string>

#include "host_link.h"
#include "proc_run.h"
#include "statements/statement_slots.h"
#include "statements/statements.h"

namespace quill::proc {
namespace {

// ORDER output_kind
constexpr int16_t kOutputSlots[] = {slot_outbetas, slot_outerrs, slot_outinfo, slot_outpred, slot_outpath};
static_assert(std::size(kOutputSlots) == output_count, "one slot per output data set");

// A slot of the record, or nothing when the record is shorter.
const qh_param *slot(const qh_statement *record, int number) {
    if (record == nullptr || record->slots == nullptr || record->slot_count < number) return nullptr;
    return &QH_SLOT(record, number);
}
bool specified(const qh_param *param) { return param != nullptr && param->specified > 0; }
bool has_variables(const qh_param *param) {
    return specified(param) && param->var_count > 0 && param->var_numbers != nullptr;
}

// A variable of the input data set as the host describes it.
variable describe_variable(const proc_options &options, int32_t number) {
    qh_var_info info{};
    check_host(host().variable_info(options.input, number, &info) == 0,
               "describe variable %d of the input data set", number);
    variable v;
    v.number = number;
    v.type = info.type;
    std::memset(v.name.text, ' ', kNameWidth);
    std::memcpy(v.name.text, info.name, strnlen(info.name, kNameWidth));
    v.name.text[kNameWidth] = '\0';
    return v;
}

// A resolved variable list: its variables, each described by the host.
variable *variables_of(const proc_options &options, const qh_param &param) {
    variable *list = allocate_array<variable>(param.var_count);
    for (int32_t i = 0; i < param.var_count; ++i) list[i] = describe_variable(options, param.var_numbers[i]);
    return list;
}

// The text value of a slot, or its default.
const char *text_value(const qh_statement *proc, int number, const char *fallback) {
    const qh_param *param = slot(proc, number);
    return specified(param) ? param->text : fallback;
}
double number_value(const qh_statement *proc, int number, double fallback) {
    const qh_param *param = slot(proc, number);
    return specified(param) ? param->number : fallback;
}
// Truncation toward zero; values beyond 32 bits are held at the limit so the engine's range
// check rejects them instead of a wrapped number slipping through.
int32_t to_int32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

bool matches(const char *value, const char *word, int32_t n) { return host().compare(value, word, n) == 0; }


// Two output options naming one data set, however each spells it, would leave only the one
// written last.
void check_outputs_distinct(const proc_options &options, const qh_statement *proc) {
    std::string where[output_count];
    for (int k = 0; k < output_count; ++k) {
        where[k] = dataset_name(options.outputs[k], QH_DSNAME_LOCATION);
        for (int j = 0; j < k; ++j) {
            if (where[k].empty() || where[k] != where[j]) continue;
            const int32_t line = std::max(slot(proc, kOutputSlots[j])->line, slot(proc, kOutputSlots[k])->line);
            fail("%1z%s=%s and %s=%s name one data set; each output needs a data set of its own "
                 "(line %d).",
                 kOutputOptions[j], dataset_name(options.outputs[j], QH_DSNAME_DISPLAY).c_str(),
                 kOutputOptions[k], dataset_name(options.outputs[k], QH_DSNAME_DISPLAY).c_str(), line);
        }
    }
}

void take_datasets(proc_options &options, const qh_statement *proc) {
    const qh_param *data = slot(proc, slot_data);
    options.input = data != nullptr ? data->dataset : nullptr;
    if (options.input == nullptr) fail("%1zNo input data set is available.");
    double count = 0.0;
    check_host(host().dataset_info(options.input, QH_INFO_OBS_COUNT, &count) == 0 &&
                   host().dataset_info(options.input, QH_INFO_VAR_COUNT, &options.input_var_info) == 0,
               "describe the input data set");
    options.announced_obs = count > 0.0 ? to_int32(count) : 0;
    for (int k = 0; k < output_count; ++k) {
        const qh_param *out = slot(proc, kOutputSlots[k]);
        if (specified(out)) options.outputs[k] = out->dataset;
    }
    check_outputs_distinct(options, proc);
}

bool is_by_variable(const proc_options &options, int32_t number) {
    for (int32_t k = 0; k < options.by_count; ++k)
        if (options.by[k].number == number) return true;
    return false;
}

// BY: one statement, each variable once, the ones after DESCENDING marked. The groups come from
// the host's BY group operation, which a host without it (an older routine table) lacks.
void take_by(proc_options &options, const qh_statement *proc) {
    const qh_statement *by = nullptr;
    for (const qh_statement *s = proc->next; s != nullptr; s = s->next) {
        if (!matches(s->name, "BY ", 3)) continue;
        const qh_param *vars = slot(s, by_slot_variables);
        const int32_t line = vars != nullptr ? vars->line : 0;
        if (by != nullptr) fail("%1zOnly one BY statement can be used in a step (line %d).", line);
        by = s;
        if (!has_variables(vars)) fail("%1zThe BY statement needs variables: BY <DESCENDING> var ...;");
        if (host().by_groups == nullptr)
            fail("%1zThis host does not divide data sets into BY groups (its routine table has no BY "
                 "group operation), so the BY statement cannot be used (line %d).", line);
        options.by_count = vars->var_count;
        options.by = variables_of(options, *vars);
        options.by_variables = allocate_array<qh_by_variable>(options.by_count);
        const qh_param *descending = slot(s, by_slot_descending);
        for (int32_t k = 0; k < options.by_count; ++k) {
            const int32_t number = options.by[k].number;
            for (int32_t j = 0; j < k; ++j)
                if (options.by[j].number == number)
                    fail("%1zBY variable %s is named twice in the BY statement (line %d).",
                         trimmed(options.by[k].name.text).text, line);
            bool down = false;
            for (int32_t d = 0; has_variables(descending) && d < descending->var_count; ++d)
                down = down || descending->var_numbers[d] == number;
            options.by_variables[k] = {number, down ? 1 : 0, options.by[k].type, 0};
        }
    }
}

bool named_predicted(const variable &v) {
    const trimmed name(v.name.text);
    const char *word = "PREDICTED";
    std::size_t i = 0;
    for (; name.text[i] != '\0' && word[i] != '\0'; ++i)
        if (std::toupper(static_cast<unsigned char>(name.text[i])) != word[i]) return false;
    return name.text[i] == '\0' && word[i] == '\0';
}

// The variables OUTPRED carries ahead of PREDICTED: the ID variables, each once in the order
// first named, or without an ID statement every variable of the input data set in its order.
// PREDICTED is never renamed, so a carried variable of that name is refused before any data is
// read: a later step would otherwise read one for the other. Under BY the BY variables lead every
// output data set, so they are not carried again.
void take_carried(proc_options &options, const qh_statement *proc) {
    const qh_param *id = slot(proc, slot_id);
    const bool outpred = options.outputs[out_pred] != nullptr;
    if (has_variables(id)) {
        options.carried = allocate_array<variable>(id->var_count);
        for (int32_t i = 0; i < id->var_count; ++i) {
            const int32_t number = id->var_numbers[i];
            bool seen = is_by_variable(options, number);
            for (int32_t j = 0; j < options.carried_count && !seen; ++j) seen = options.carried[j].number == number;
            if (!seen) options.carried[options.carried_count++] = describe_variable(options, number);
        }
    } else if (outpred) {
        const int32_t count = to_int32(options.input_var_info);
        options.carried = allocate_array<variable>(count > 0 ? count : 0);
        for (int32_t number = 1; number <= count; ++number)
            if (!is_by_variable(options, number))
                options.carried[options.carried_count++] = describe_variable(options, number);
    }
    if (!outpred) return;
    for (int32_t j = 0; j < options.carried_count; ++j) {
        if (!named_predicted(options.carried[j])) continue;
        const trimmed name(options.carried[j].name.text);
        if (has_variables(id))
            fail("%1zThe ID variable %s cannot be carried into OUTPRED=, which names its prediction "
                 "PREDICTED: rename the variable or leave it out of the ID statement (line %d).",
                 name.text, id->line);
        fail("%1zOUTPRED= keeps every variable of the DATA= data set and names its prediction "
             "PREDICTED, which the data set already has as %s: rename that variable, or name the "
             "variables to keep in an ID statement (line %d).",
             name.text, slot(proc, slot_outpred)->line);
    }
}

void find_statements(const qh_statement *proc, const qh_statement *&model, const qh_statement *&klass) {
    model = klass = nullptr;
    for (const qh_statement *s = proc->next; s != nullptr; s = s->next) {
        if (matches(s->name, "MODEL", 5)) model = s;
        if (matches(s->name, "CLASS", 5)) klass = s;
    }
}

void take_model(proc_options &options, const qh_statement *model) {
    if (model == nullptr) fail("%1zMODEL statement must be specified.");
    const qh_param *response = slot(model, model_slot_response);
    if (!has_variables(response)) fail("%1zResponse variable must be specified in MODEL statement.");
    options.response = describe_variable(options, response->var_numbers[0]);

    const qh_param *predictors = slot(model, model_slot_predictors);
    if (!has_variables(predictors)) fail("%1zPredictors must be specified in MODEL statement.");
    options.p = predictors->var_count;
    options.predictors = allocate_array<predictor>(options.p);
    for (int32_t i = 0; i < options.p; ++i)
        options.predictors[i] = {describe_variable(options, predictors->var_numbers[i]), false, false};

    options.no_intercept = QH_FLAG(model, flag_noint);
    options.y_descending = QH_FLAG(model, flag_ydescending);

    // OFFSET=: a known term of the linear predictor, never the response or a predictor.
    const qh_param *offset = slot(model, model_slot_offset);
    if (!has_variables(offset)) return;
    options.offset = describe_variable(options, offset->var_numbers[0]);
    options.has_offset = true;
    const trimmed name(options.offset.name.text);
    if (options.offset.type != QH_VAR_NUMERIC)
        fail("%1zOFFSET= variable %s is type CHARACTER; it should be NUMERIC (line %d).", name.text,
             offset->line);
    if (options.offset.number == options.response.number)
        fail("%1zOFFSET= variable %s is the response; the offset must be another variable (line %d).",
             name.text, offset->line);
    for (int32_t i = 0; i < options.p; ++i)
        if (options.predictors[i].var.number == options.offset.number)
            fail("%1zOFFSET= variable %s is also a predictor; an offset has no coefficient (line %d).",
                 name.text, offset->line);
}

void take_class(proc_options &options, const qh_statement *klass) {
    const qh_param *vars = slot(klass, class_slot_variables);
    if (has_variables(vars)) {
        options.class_count = vars->var_count;
        options.classes = variables_of(options, *vars);
        options.class_descending = QH_FLAG(klass, flag_descending);
    }

    // A predictor named twice in the MODEL statement is marked twice, and refused.
    int32_t marks = 0;
    for (int32_t c = 0; c < options.class_count; ++c)
        for (int32_t i = 0; i < options.p; ++i)
            if (options.predictors[i].var.number == options.classes[c].number) {
                options.predictors[i].is_class = true;
                ++marks;
            }
    if (marks != options.class_count)
        fail("%1zAll CLASS variables must be specified as predictors in the MODEL statement.");

    for (int32_t i = 0; i < options.p; ++i)
        if (!options.predictors[i].is_class && options.predictors[i].var.type != QH_VAR_NUMERIC)
            fail("%1zPredictor %s is type CHARACTER; it should be NUMERIC.",
                 trimmed(options.predictors[i].var.name.text).text);
}

void take_read_list(proc_options &options) {
    options.read_list = allocate_array<int32_t>(options.read_count());
    for (int32_t i = 0; i < options.p; ++i) options.read_list[i] = options.predictors[i].var.number;
    options.read_list[options.p] = options.response.number;
    for (int32_t j = 0; j < options.carried_count; ++j)
        options.read_list[options.p + 1 + j] = options.carried[j].number;
    if (options.weighted) options.read_list[options.weight_index()] = options.weight.number;
    if (options.has_offset) options.read_list[options.offset_index()] = options.offset.number;
    if (options.has_fold) options.read_list[options.fold_index()] = options.fold.number;
}

void take_forcein(proc_options &options, const qh_statement *proc) {
    const qh_param *vars = slot(proc, slot_forcein);
    if (!has_variables(vars)) return;
    options.forcein_count = vars->var_count;
    options.forceins = variables_of(options, *vars);
    for (int32_t f = 0; f < options.forcein_count; ++f) {
        const int32_t number = options.forceins[f].number;
        int32_t found = -1;
        for (int32_t i = 0; i < options.p && found < 0; ++i)
            if (options.predictors[i].var.number == number) found = i;
        const trimmed name(options.forceins[f].name.text);
        if (found < 0)
            fail("%1zFORCEIN variable %s is not among the specified PREDICTORS.", name.text);
        options.predictors[found].forced_in = true;
        for (int32_t c = 0; c < options.class_count; ++c)
            if (options.classes[c].number == number)
                fail("%1zFORCEIN variable %s cannot also be specified in the CLASS statement.",
                     name.text);
    }
}

void take_codes(proc_options &options, const qh_statement *proc) {
    const char *selection = text_value(proc, slot_selection, "BIC     ");
    if (matches(selection, "BIC", 3)) options.selection = selection_bic;
    else if (matches(selection, "GCV", 3)) options.selection = selection_gcv;
    else if (matches(selection, "EBIC", 4)) options.selection = selection_ebic;
    else if (matches(selection, "CV", 2)) options.selection = selection_cv;
    else fail("%1zSELECTION must be BIC, GCV, EBIC or CV.");

    const char *df = text_value(proc, slot_df, "COUNT   ");
    if (matches(df, "COUNT", 5)) options.df = df_count;
    else if (matches(df, "PROJ", 4)) options.df = df_projection;
    else fail("%1zDF must be either COUNT or PROJECTION.");

    const char *algorithm = text_value(proc, slot_algorithm, "LQA     ");
    if (matches(algorithm, "LQA", 3)) options.algorithm = algorithm_lqa;
    else if (matches(algorithm, "ICM", 3)) options.algorithm = algorithm_icm;
    else fail("%1z That ALGORITHM cannot be used in this version of QUILLFIT.");

    const char *penalty = text_value(proc, slot_penalty, "SCAD    ");
    if (matches(penalty, "SCAD ", 5)) options.penalty = penalty_scad;
    else if (matches(penalty, "MCP ", 4)) options.penalty = penalty_mcp;
    else if (matches(penalty, "LASSO ", 6)) options.penalty = penalty_lasso;
    else
        fail("%1zPENALTY %s is not a penalty QUILLFIT fits: PENALTY must be SCAD, MCP or LASSO "
             "(line %d).",
             trimmed(penalty).text, slot(proc, slot_penalty)->line);
}

// DIST: every entry is compared in turn and a later match overrides an earlier one. BINOMIAL is
// glm's family name for the logistic model.
void take_model_type(proc_options &options, const qh_statement *proc) {
    struct dist_word { const char *word; int32_t n; model_kind model; };
    static constexpr dist_word kWords[] = {
        {"NORMAL", 6, model_normal},     {"GAUSSIAN", 8, model_normal},
        {"IDENTITY", 8, model_normal},   {"LINEAR", 6, model_normal},
        {"LOGISTIC", 8, model_logistic}, {"BINARY", 6, model_logistic},
        {"BINOMIAL", 8, model_logistic}, {"LOGIT", 5, model_logistic},
        {"POISSON", 7, model_poisson},   {"COUNT", 5, model_poisson},
    };
    const char *dist = text_value(proc, slot_dist, "NORMAL  ");
    bool known = false;
    for (const dist_word &w : kWords)
        if (matches(dist, w.word, w.n)) {
            options.model = w.model;
            known = true;
        }
    if (matches(dist, "LOG", 3) && !matches(dist, "LOGI", 4)) {
        options.model = model_poisson;
        known = true;
    }
    if (!known)
        fail("%1zDIST %s is not a model QUILLFIT fits: DIST must be NORMAL (also GAUSSIAN, IDENTITY, "
             "LINEAR), LOGISTIC (also BINOMIAL, BINARY, LOGIT) or POISSON (also COUNT, LOG) "
             "(line %d).",
             trimmed(dist).text, slot(proc, slot_dist)->line);
}

void take_numbers(proc_options &options, const qh_statement *proc) {
    options.tolerance = number_value(proc, slot_criterion, 1e-9);
    // A coordinate sweep costs what one column of an LQA pass does, and a fit near saturation
    // takes thousands of them: the descent path's own default, as the peers have it.
    const double sweeps = options.algorithm == algorithm_icm ? 10000 : 250;
    options.max_iter = to_int32(number_value(proc, slot_maxiter, sweeps));
    options.min_lambda = number_value(proc, slot_minlambda, -1.0);
    options.max_lambda = number_value(proc, slot_maxlambda, -1.0);
    options.max_lambda_full = specified(slot(proc, slot_maxlambda_full));
    options.grid_size = to_int32(number_value(proc, slot_gridsize, 250));
    // A is MCP's gamma too, whose usual value is 3; the lasso has none.
    options.scad_a = number_value(proc, slot_a, options.penalty == penalty_mcp ? 3.0 : 3.7);
    options.ebic_gamma = number_value(proc, slot_ebicgamma, 0.5);
    options.cv_folds_given = number_value(proc, slot_folds, 10.0);
    options.cv_folds = to_int32(options.cv_folds_given);
    options.cv_seed = number_value(proc, slot_seed, 0.0);
}

// FOLD: the user's folds, read after the WEIGHT and OFFSET= variables.
void take_fold(proc_options &options, const qh_statement *proc) {
    const qh_param *fold = slot(proc, slot_fold);
    // Without SELECTION CV the statement is only warned of (check_statement_values).
    if (!has_variables(fold) || !matches(text_value(proc, slot_selection, "BIC     "), "CV", 2)) return;
    options.fold = describe_variable(options, fold->var_numbers[0]);
    options.has_fold = true;
    options.fold_line = fold->line;
    if (options.fold.type != QH_VAR_NUMERIC)
        fail("%1zFOLD variable %s is type CHARACTER; it should be NUMERIC (line %d).",
             trimmed(options.fold.name.text).text, fold->line);
}

// CVRULE MIN | 1SE (the tokens 1 and SE).
void take_cv_rule(proc_options &options, const qh_statement *proc) {
    const qh_param *rule = slot(proc, slot_cvrule);
    if (!specified(rule)) return;
    const qh_param *number = slot(proc, slot_cvrule_number);
    const bool numbered = specified(number);
    if (!numbered && matches(rule->text, "MIN ", 4)) return;
    if (numbered && number->number == 1.0 && matches(rule->text, "SE ", 3)) {
        options.cv_one_se = true;
        return;
    }
    fail("%1zCVRULE must be MIN or 1SE (line %d).", rule->line);
}

void take_flags(proc_options &options, const qh_statement *proc) {
    options.noprint = QH_FLAG(proc, flag_noprint);
    options.details = QH_FLAG(proc, flag_details);
    options.robust = QH_FLAG(proc, flag_robust);
    options.unshrink_se = QH_FLAG(proc, flag_unshrink_se);
    options.warmstart = QH_FLAG(proc, flag_warmstart);
    options.refit = QH_FLAG(proc, flag_refit);
    // Each fold would need refits of its own path's sets: not built.
    if (options.refit && options.selection == selection_cv)
        fail("%1zSELECTION CV / REFIT is not available: REFIT works with SELECTION BIC, GCV and EBIC.");
    options.plot_path = QH_FLAG(proc, flag_plot_path);
    options.plot_criterion = QH_FLAG(proc, flag_plot_criterion);
    if (options.unshrink_se)
        host().log("%1z Warning: The unshrink_se option is not recommended or implemented.");
    if (options.no_intercept)
        fail("%1z A no-intercept model cannot be specified in the current version of QUILLFIT.");
}

// WEIGHT: frequency weights, read last (after the carried variables).
void take_weight(proc_options &options, const qh_statement *proc) {
    const qh_param *weight = slot(proc, slot_weight);
    if (!has_variables(weight)) return;
    options.weight = describe_variable(options, weight->var_numbers[0]);
    options.weighted = true;
    if (options.weight.type != QH_VAR_NUMERIC)
        fail("%1zWEIGHT variable %s is type CHARACTER; it should be NUMERIC (line %d).",
             trimmed(options.weight.name.text).text, weight->line);
}

} // namespace

void parse_statements(const qh_statement *proc_record, proc_options &options) {
    take_datasets(options, proc_record);
    take_by(options, proc_record);
    take_carried(options, proc_record);
    const qh_statement *model = nullptr;
    const qh_statement *klass = nullptr;
    find_statements(proc_record, model, klass);
    take_model(options, model);
    take_class(options, klass);
    take_weight(options, proc_record);
    take_fold(options, proc_record);
    take_read_list(options);
    take_forcein(options, proc_record);
    take_codes(options, proc_record);
    take_model_type(options, proc_record);
    take_numbers(options, proc_record);
    take_cv_rule(options, proc_record);
    take_flags(options, proc_record);
    check_statement_values(options, proc_record, model);
}

} // namespace quill::proc
