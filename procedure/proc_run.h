// The record of one PROC QUILLFIT run: one struct per stage, in the order the run fills them.
// The statements give the options; reading the input gives the data; the design is built from
// both; the engine call gives the fit; the output data sets are written from all of them. A
// stage's functions write their own struct and take the stages before it as const. Every array
// hangs off host memory of the run; nothing here is freed by the procedure.
#ifndef QUILL_PROC_PROC_RUN_H
#define QUILL_PROC_PROC_RUN_H

#include <cstdint>

#include "routine_table.h"

namespace quill::proc {

constexpr int kNameWidth = QH_NAME_LEN;     // characters of a name or text value
constexpr int kNameBytes = QH_NAME_LEN + 1; // blank-filled, then a zero byte

// A name or a text value: 32 characters blank-filled, then a zero byte.
struct name33 {
    char text[kNameBytes];
};

// The procedure's own words for what the statements choose; engine_call.cpp turns them into
// the engine's codes.
enum model_kind : int32_t { model_normal, model_logistic, model_poisson };
enum selection_kind : int32_t { selection_bic, selection_gcv, selection_ebic, selection_cv };
enum df_kind : int32_t { df_count, df_projection };
enum algorithm_kind : int32_t { algorithm_lqa, algorithm_icm };
enum penalty_kind : int32_t { penalty_scad, penalty_mcp, penalty_lasso };

// The output data sets, in the order they are defined and written, and the PROC options that
// request them (ORDER output_kind).
enum output_kind : int { out_betas = 0, out_errs, out_info, out_pred, out_path, output_count };
constexpr const char *kOutputOptions[] = {"OUTBETAS", "OUTERRS", "OUTINFO", "OUTPRED", "OUTPATH"};
static_assert(sizeof kOutputOptions / sizeof kOutputOptions[0] == output_count, "one option per output");

// Limits of the engine that the statement checks apply before any data is read.
extern const int32_t kMaxGridSize; // the engine's limit (engine_call.cpp)
extern const int32_t kMaxProjectionColumns; // design columns under DF PROJECTION (engine_call.cpp)

// A variable of the input data set, as a statement names it.
struct variable {
    int32_t number = 0;            // the host's number of the variable in the input data set
    int32_t type = QH_VAR_NUMERIC; // QH_VAR_NUMERIC or QH_VAR_CHARACTER
    name33 name{};
};

// A MODEL predictor and what the CLASS and FORCEIN statements say of it.
struct predictor {
    variable var;
    bool is_class = false;  // coded by its levels, one indicator column per non-reference level
    bool forced_in = false; // never penalized
};

// What the statements ask for, settled before any data is read.
struct proc_options {
    // The input data set as the host describes it before reading, and the outputs asked for.
    qh_dataset *input = nullptr;
    int32_t announced_obs = 0;   // observations the host expects to deliver
    double input_var_info = 0.0; // information code 95, handed back to the variable selection
    qh_dataset *outputs[output_count] = {};

    // The variables. The read list holds their numbers in the order the data keep them: the
    // predictors in MODEL order, the response, then the variables OUTPRED carries: the ID
    // variables (each once), or without an ID statement every variable of the input data set;
    // last the WEIGHT variable, the MODEL OFFSET= variable and the FOLD variable, when there are.
    variable response;
    variable weight, offset, fold;
    bool weighted = false, has_offset = false, has_fold = false;
    int32_t p = 0;
    predictor *predictors = nullptr;
    int32_t class_count = 0, forcein_count = 0, carried_count = 0;
    variable *classes = nullptr, *forceins = nullptr, *carried = nullptr;
    int32_t *read_list = nullptr;

    // BY groups: the BY variables in order (var_number, descending; type and length from the
    // host's BY group operation). Without a BY statement by_count is 0.
    int32_t by_count = 0;
    variable *by = nullptr;
    qh_by_variable *by_variables = nullptr;

    // The model and its fit.
    model_kind model = model_normal;
    selection_kind selection = selection_bic;
    df_kind df = df_count;
    algorithm_kind algorithm = algorithm_lqa;
    penalty_kind penalty = penalty_scad;
    int32_t grid_size = 0, max_iter = 0;
    double tolerance = 0.0, scad_a = 0.0; // A: SCAD's shape, MCP's gamma (not used by the lasso)
    double ebic_gamma = 0.5; // EBICGAMMA: EBIC = BIC + 2 gamma ln C(penalized columns, nonzero ones)
    double min_lambda = 0.0, max_lambda = 0.0; // -1: the engine chooses
    bool max_lambda_full = false;              // MAXLAMBDA FULL: up to where every penalized coefficient is 0
    // SELECTION CV: FOLDS k (0 with a FOLD variable, whose values make the folds), SEED, CVRULE.
    int32_t cv_folds = 10;
    int32_t cv_folds_line = 0, fold_line = 0; // the program lines of FOLDS and FOLD, or 0
    double cv_folds_given = 0.0;               // FOLDS as written, for its range message
    double cv_seed = 0.0;
    bool cv_one_se = false;
    bool refit = false; // SELECTION ... / REFIT
    bool warmstart = false, robust = false, unshrink_se = false, no_intercept = false;
    bool y_descending = false, class_descending = false;

    // What is shown.
    bool noprint = false, details = false, plot_path = false, plot_criterion = false;

    int32_t read_count() const { return fold_index() + (has_fold ? 1 : 0); }
    int32_t weight_index() const { return p + 1 + carried_count; } // in the read list
    int32_t offset_index() const { return weight_index() + (weighted ? 1 : 0); }
    int32_t fold_index() const { return offset_index() + (has_offset ? 1 : 0); }
};

// The levels of a CLASS predictor among the used observations, in level order; the last is the
// reference, which has no indicator column.
struct class_coding {
    int32_t count = 0;
    int32_t reference = -1;
    name33 *texts = nullptr;
    int32_t *freqs = nullptr;          // the used observations (rows) at each level
    double *weight_sums = nullptr;     // with WEIGHT: the sum of their weights, else null
};

// The observations read. Per read-list variable: its values (a CLASS predictor's as level
// indices, a character response's as 0/1) and the texts of CLASS predictors, a character
// response and character carried variables. A carried variable that is a numeric predictor
// (not CLASS) or a numeric response shares that variable's column, which then stays. The
// model's other columns are given back once the design holds them; the carried ones stay for
// OUTPRED.
struct proc_data {
    qh_record *read_record = nullptr;
    int32_t nobs = 0; // observations read
    int32_t n = 0;    // observations used: every MODEL variable present
    int32_t *excluded = nullptr;              // per observation: 1 when not used
    // Per observation: non-zero when it is left out with every predictor present, 1 for its
    // missing response, 2 for its missing, zero or negative weight; it is still predicted.
    int32_t *response_only_missing = nullptr;
    int32_t weight_dropped = 0; // used but for a missing, zero or negative weight
    double **columns = nullptr;
    name33 **texts = nullptr;
    int32_t *shares = nullptr; // per read-list variable: the read-list variable whose column it shares, or -1
    class_coding *classes = nullptr; // per predictor; empty for a numeric one
    bool character_response = false;
    bool has_event = false;
    name33 event_text{}; // the character response value modeled as 1
};

// The engine's inputs over the used observations, and what predictions need beside them.
struct proc_design {
    int32_t rows = 0;    // the used observations
    int32_t columns = 0; // see data/design_columns.h
    double *x = nullptr; // rows x columns, column-major
    double *response = nullptr;
    double *case_weights = nullptr; // the WEIGHT values, or 1
    double weight_sum = 0.0;
    double *offset = nullptr;       // the OFFSET= values of the used observations (or null)
    int32_t *folds = nullptr;       // FOLD: each used observation's fold, 1 to fold_count (or null)
    int32_t fold_count = 0;
    uint8_t *forcein = nullptr;  // per column: 1 = never penalized
    int32_t *row_of = nullptr;   // per observation: its design row, its row of held_rows, or -1
    double *held_rows = nullptr; // the p predictor values of each observation missing only the response
};

// The fit at every grid value, in grid order. A statistic that does not exist there is NaN.
// `tied`: the criterion ties with the selected one's and the nonzero coefficients are the same.
struct fit_path {
    int32_t rows = 0;
    double *lambda = nullptr, *intercept = nullptr, *bic = nullptr, *aic = nullptr, *gcv = nullptr,
           *effective_df = nullptr, *ebic = nullptr, *cv_error = nullptr, *cv_se = nullptr,
           *refit = nullptr; // SELECTION ... / REFIT: the criterion of each fit's refit
    int32_t *simple_df = nullptr, *num_iter = nullptr;
    uint8_t *converged = nullptr, *fitted = nullptr, *tied = nullptr; // nonzero: true
    // SELECTION CV: nonzero at the grid value each rule (MIN, 1SE) selects, whichever selected.
    uint8_t *cv_min = nullptr, *cv_1se = nullptr;
};

// Why ALGORITHM ICM's path stopped above the bottom of the grid.
enum class path_stop { none, nonzero, deviance, diverged };

// The engine's fit: the selected one, on the scale of the data, and the coefficient path.
struct proc_fit {
    double *betas = nullptr, *std_errs = nullptr; // per design column
    double *coef_path = nullptr;                  // grid_size x columns, column-major
    double intercept = 0.0, intercept_se = 0.0;
    double selected_lambda = 0.0, criterion_value = 0.0;
    double min_lambda = 0.0, max_lambda = 0.0; // the ends of the grid
    // The smallest and largest lambda of the grid values tied with the selected one.
    double tied_low = 0.0, tied_high = 0.0;
    double effective_df = 0.0; // the real value under DF PROJECTION, else NaN
    double cv_se = 0.0;        // SELECTION CV: the CV error's standard error at the selected lambda
    int32_t cv_folds = 0;      // SELECTION CV: the folds
    int32_t simple_df = 0, iterations = 0;
    int32_t best_index = 0; // 1-based grid index of the selected lambda
    path_stop stop = path_stop::none; // ALGORITHM ICM: why and where (1-based) the path stopped
    int32_t stop_index = 0;
    bool converged = false, at_max_lambda = false, at_min_lambda = false;
    fit_path path;
    // The engine refused the design because these design columns (0xFF) are exact linear
    // combinations of the intercept and the columns before them; the step then names them.
    uint8_t *aliased = nullptr;
    bool aliased_design = false;
};

// The output data sets being written. Their variables are bound to these values (and to the
// fit's), which the host reads at each write.
struct proc_outputs {
    qh_record *records[output_count] = {};
    double predicted = 0.0, effective_df = 0.0, simple_df = 0.0, iterations = 0.0, grid_status = 0.0,
           convergence_status = 0.0;
    double *carried_numbers = nullptr; // per carried variable, for OUTPRED
    name33 *carried_texts = nullptr;
    double *path_row = nullptr; // OUTPATH: the grid value's statistics, then its coefficients
    double path_ebic = 0.0;     // OUTPATH under SELECTION EBIC: the grid value's EBIC
    double path_refit = 0.0;    // OUTPATH under REFIT: the criterion of the grid value's refit
    // OUTBETAS and OUTERRS: the coefficients and standard errors per output column. The output
    // columns are the design columns of the whole data set; under BY a group's design has the
    // CLASS levels of that group, and an output column it lacks is missing.
    int32_t columns = 0;
    double *betas = nullptr, *std_errs = nullptr;
    int32_t *column_of = nullptr; // per design column of the fit: its output column
    // The BY variables' values of the group being written: numbers, and texts at their lengths.
    double *by_numbers = nullptr;
    char **by_texts = nullptr;
    double path_cv_error = 0.0, path_cv_se = 0.0; // OUTPATH under SELECTION CV
    double info_cv_folds = 0.0;                    // OUTINFO under SELECTION CV
    char info_penalty[8] = {};                     // OUTINFO's PENALTY, blank-padded to 5
    double info_a = 0.0;                           // and its A
};

struct proc_run {
    proc_options options;
    proc_data data;
    proc_design design;
    proc_fit fit;
    proc_outputs outputs;
};

} // namespace quill::proc

#endif
