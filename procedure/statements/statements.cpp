// parse_statements: checks what the host parsed from the PROC QUILLFIT step, in a fixed order,
// and turns it into the options, codes and variable lists of the run record. The first failing
// check writes its message and ends the run.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string>

#include "host_link.h"
#include "proc_run.h"
#include "statements/statement_slots.h"

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

void variable_name(const proc_run &run, int32_t number, name33 &name, int32_t &type) {
    qh_var_info info{};
    check_host(host().variable_info(run.input, number, &info) == 0, "describe variable %d of the input data set",
               number);
    std::memset(name.text, ' ', kNameWidth);
    std::memcpy(name.text, info.name, strnlen(info.name, kNameWidth));
    name.text[kNameWidth] = '\0';
    type = info.type;
}

// Copies a resolved variable list: count, numbers, names and types.
int32_t *copy_numbers(const qh_param &param) {
    int32_t *numbers = allocate_array<int32_t>(param.var_count);
    std::memcpy(numbers, param.var_numbers, sizeof(int32_t) * param.var_count);
    return numbers;
}
name33 *names_of(const proc_run &run, const int32_t *numbers, int32_t count, int32_t *types) {
    name33 *names = allocate_array<name33>(count);
    int32_t type = 0;
    for (int32_t i = 0; i < count; ++i) {
        variable_name(run, numbers[i], names[i], type);
        if (types != nullptr) types[i] = type;
    }
    return names;
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
void check_outputs_distinct(const proc_run &run) {
    std::string where[output_count];
    for (int k = 0; k < output_count; ++k) {
        where[k] = dataset_name(run.out_ds[k], QH_DSNAME_LOCATION);
        for (int j = 0; j < k; ++j) {
            if (where[k].empty() || where[k] != where[j]) continue;
            const int32_t line = std::max(slot(run.proc_record, kOutputSlots[j])->line,
                                          slot(run.proc_record, kOutputSlots[k])->line);
            fail("%1z%s=%s and %s=%s name one data set; each output needs a data set of its own "
                 "(line %d).",
                 kOutputOptions[j], dataset_name(run.out_ds[j], QH_DSNAME_DISPLAY).c_str(),
                 kOutputOptions[k], dataset_name(run.out_ds[k], QH_DSNAME_DISPLAY).c_str(), line);
        }
    }
}

void take_datasets(proc_run &run) {
    const qh_statement *proc = run.proc_record;
    const qh_param *data = slot(proc, slot_data);
    run.input = data != nullptr ? data->dataset : nullptr;
    if (run.input == nullptr) fail("%1zNo input data set is available.");
    double count = 0.0;
    check_host(host().dataset_info(run.input, QH_INFO_OBS_COUNT, &count) == 0 &&
                   host().dataset_info(run.input, QH_INFO_VAR_COUNT, &run.var_count_info) == 0,
               "describe the input data set");
    run.nobs = count > 0.0 ? to_int32(count) : 0;
    for (int k = 0; k < output_count; ++k) {
        const qh_param *out = slot(proc, kOutputSlots[k]);
        if (specified(out)) run.out_ds[k] = out->dataset;
    }
    check_outputs_distinct(run);
    const qh_param *id = slot(proc, slot_id);
    if (has_variables(id)) {
        run.id_count = id->var_count;
        run.id_numbers = copy_numbers(*id);
        run.id_types = allocate_array<int32_t>(run.id_count);
        run.id_names = names_of(run, run.id_numbers, run.id_count, run.id_types);
    }
}

void find_statements(const proc_run &run, const qh_statement *&model, const qh_statement *&klass) {
    model = klass = nullptr;
    for (const qh_statement *s = run.proc_record->next; s != nullptr; s = s->next) {
        if (matches(s->name, "MODEL", 5)) model = s;
        if (matches(s->name, "CLASS", 5)) klass = s;
    }
}

void take_model(proc_run &run, const qh_statement *model) {
    if (model == nullptr) fail("%1zMODEL statement must be specified.");
    const qh_param *response = slot(model, model_slot_response);
    if (!has_variables(response)) fail("%1zResponse variable must be specified in MODEL statement.");
    run.response_number = response->var_numbers[0];
    variable_name(run, run.response_number, run.response_name, run.response_type);

    const qh_param *predictors = slot(model, model_slot_predictors);
    if (!has_variables(predictors)) fail("%1zPredictors must be specified in MODEL statement.");
    run.p = predictors->var_count;
    run.predictor_numbers = copy_numbers(*predictors);
    run.predictor_types = allocate_array<int32_t>(run.p);
    run.predictor_names = names_of(run, run.predictor_numbers, run.p, run.predictor_types);

    run.no_intercept = QH_FLAG(model, flag_noint);
    run.y_descending = QH_FLAG(model, flag_ydescending);
}

void take_class(proc_run &run, const qh_statement *klass) {
    const qh_param *vars = slot(klass, class_slot_variables);
    if (has_variables(vars)) {
        run.class_count = vars->var_count;
        run.class_numbers = copy_numbers(*vars);
        run.class_names = names_of(run, run.class_numbers, run.class_count, nullptr);
        run.class_descending = QH_FLAG(klass, flag_descending);
    }

    const int32_t entries = run.p + 1;
    run.is_class = allocate_array<uint8_t>(entries);
    run.class_levels = allocate_array<int32_t>(entries);
    run.design_cols = allocate_array<int32_t>(entries);
    run.reference_level = allocate_array<int32_t>(entries);
    for (int32_t i = 0; i < entries; ++i) run.design_cols[i] = 1;

    int32_t marks = 0;
    for (int32_t c = 0; c < run.class_count; ++c)
        for (int32_t i = 0; i < run.p; ++i)
            if (run.predictor_numbers[i] == run.class_numbers[c]) {
                run.is_class[i] = 1;
                run.class_levels[i] = 1;
                ++marks;
            }
    if (marks != run.class_count)
        fail("%1zAll CLASS variables must be specified as predictors in the MODEL statement.");

    for (int32_t i = 0; i < run.p; ++i)
        if (!run.is_class[i] && run.predictor_types[i] != QH_VAR_NUMERIC)
            fail("%1zPredictor %s is type CHARACTER; it should be NUMERIC.",
                 trimmed(run.predictor_names[i].text).text);
}

void take_read_list(proc_run &run) {
    run.read_list = allocate_array<int32_t>(run.p + 1 + run.id_count);
    std::memcpy(run.read_list, run.predictor_numbers, sizeof(int32_t) * run.p);
    run.read_list[run.p] = run.response_number;
    if (run.id_count > 0)
        std::memcpy(run.read_list + run.p + 1, run.id_numbers, sizeof(int32_t) * run.id_count);
}

void take_forcein(proc_run &run) {
    run.forcein = allocate_array<uint8_t>(run.p);
    const qh_param *vars = slot(run.proc_record, slot_forcein);
    if (!has_variables(vars)) return;
    run.forcein_count = vars->var_count;
    run.forcein_numbers = copy_numbers(*vars);
    run.forcein_names = names_of(run, run.forcein_numbers, run.forcein_count, nullptr);
    for (int32_t f = 0; f < run.forcein_count; ++f) {
        int32_t found = -1;
        for (int32_t i = 0; i < run.p && found < 0; ++i)
            if (run.predictor_numbers[i] == run.forcein_numbers[f]) found = i;
        const trimmed name(run.forcein_names[f].text);
        if (found < 0)
            fail("%1zFORCEIN variable %s is not among the specified PREDICTORS.", name.text);
        run.forcein[found] = 1;
        for (int32_t c = 0; c < run.class_count; ++c)
            if (run.class_numbers[c] == run.forcein_numbers[f])
                fail("%1zFORCEIN variable %s cannot also be specified in the CLASS statement.",
                     name.text);
    }
}

void take_codes(proc_run &run) {
    const qh_statement *proc = run.proc_record;
    const char *selection = text_value(proc, slot_selection, "BIC     ");
    if (matches(selection, "BIC", 3)) run.selection = selection_bic;
    else if (matches(selection, "GCV", 3)) run.selection = selection_gcv;
    else fail("%1zSELECTION must be either BIC or GCV.");

    const char *df = text_value(proc, slot_df, "COUNT   ");
    if (matches(df, "COUNT", 5)) run.dfformula = df_count;
    else if (matches(df, "PROJ", 4)) run.dfformula = df_projection;
    else fail("%1zDF must be either COUNT or PROJECTION.");

    const char *algorithm = text_value(proc, slot_algorithm, "LQA     ");
    if (matches(algorithm, "LQA", 3)) run.algorithm = algorithm_lqa;
    else fail("%1z That ALGORITHM cannot be used in this version of QUILLFIT.");
}

// DIST: every entry is compared in turn and a later match overrides an earlier one.
void take_model_type(proc_run &run) {
    struct dist_word { const char *word; int32_t n; int32_t code; };
    static constexpr dist_word kWords[] = {
        {"NORMAL", 6, model_normal},     {"GAUSSIAN", 8, model_normal},
        {"IDENTITY", 8, model_normal},   {"LINEAR", 6, model_normal},
        {"LOGISTIC", 8, model_logistic}, {"BINARY", 6, model_logistic},
        {"LOGIT", 5, model_logistic},    {"POISSON", 7, model_poisson},
        {"COUNT", 5, model_poisson},
    };
    const char *dist = text_value(run.proc_record, slot_dist, "NORMAL  ");
    int32_t code = -1;
    for (const dist_word &w : kWords)
        if (matches(dist, w.word, w.n)) code = w.code;
    if (matches(dist, "LOG", 3) && !matches(dist, "LOGI", 4)) code = model_poisson;
    if (code < 0) {
        host().log("The link type was not recognized; please see the users' guide.");
        host().log("%s", trimmed(dist).text);
        end_run(rc_error);
    }
    run.model_type = code;
}

void take_numbers(proc_run &run) {
    const qh_statement *proc = run.proc_record;
    run.tolerance = number_value(proc, slot_criterion, 1e-9);
    run.max_iter = to_int32(number_value(proc, slot_maxiter, 250));
    run.min_lambda = number_value(proc, slot_minlambda, -1.0);
    run.max_lambda = number_value(proc, slot_maxlambda, -1.0);
    run.grid_size = to_int32(number_value(proc, slot_gridsize, 250));
    run.scad_a = number_value(proc, slot_a, 3.7);
}

void take_flags(proc_run &run) {
    const qh_statement *proc = run.proc_record;
    run.noprint = QH_FLAG(proc, flag_noprint);
    run.details = QH_FLAG(proc, flag_details);
    run.robust = QH_FLAG(proc, flag_robust);
    run.unshrink_se = QH_FLAG(proc, flag_unshrink_se);
    run.warmstart = QH_FLAG(proc, flag_warmstart);
    run.plot_path = QH_FLAG(proc, flag_plot_path);
    run.plot_criterion = QH_FLAG(proc, flag_plot_criterion);
    if (run.robust && run.model_type != model_normal)
        fail("%1z The robust standard errors option is only available with normal models.");
    if (run.unshrink_se)
        host().log("%1z Warning: The unshrink_se option is not recommended or implemented.");
    if (run.no_intercept)
        fail("%1z A no-intercept model cannot be specified in the current version of QUILLFIT.");
    // Case weights are not supported; saying so keeps a weighted analysis from passing
    // silently as an unweighted one.
    if (specified(slot(proc, slot_weight)))
        host().log("%2zThe WEIGHT statement is ignored: this version of QUILLFIT gives every "
                   "observation the weight 1.");
}

} // namespace

int parse_statements(proc_run &run) {
    take_datasets(run);
    const qh_statement *model = nullptr;
    const qh_statement *klass = nullptr;
    find_statements(run, model, klass);
    take_model(run, model);
    take_class(run, klass);
    take_read_list(run);
    take_forcein(run);
    take_codes(run);
    take_model_type(run);
    take_numbers(run);
    take_flags(run);
    check_statement_values(run, model);
    return 0;
}

} // namespace quill::proc
