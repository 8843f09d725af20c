// The record of one PROC QUILLFIT run and the steps of the run that fill and read it. Every
// array hangs off host memory of the run; nothing here is freed by the procedure.
#ifndef QUILL_PROC_PROC_RUN_H
#define QUILL_PROC_PROC_RUN_H

#include <cstdint>

#include "quill/runscad.h"
#include "routine_table.h"

namespace quill::proc {

constexpr int kNameWidth = QH_NAME_LEN;     // characters of a name or text value
constexpr int kNameBytes = QH_NAME_LEN + 1; // blank-filled, then a zero byte

// A name or a text value: 32 characters blank-filled, then a zero byte.
struct name33 {
    char text[kNameBytes];
};

enum model_kind : int32_t { model_normal = 0, model_logistic = 1, model_poisson = 2 };
enum selection_kind : int32_t { selection_bic = 0, selection_gcv = 1 };
enum df_kind : int32_t { df_count = 0, df_projection = 1 };
enum algorithm_kind : int32_t { algorithm_lqa = 0, algorithm_icm = 1 };

// The output data sets, in the order they are defined and written, and the PROC options that
// request them (ORDER output_kind).
enum output_kind : int { out_betas = 0, out_errs, out_info, out_pred, out_path, output_count };
constexpr const char *kOutputOptions[] = {"OUTBETAS", "OUTERRS", "OUTINFO", "OUTPRED", "OUTPATH"};
static_assert(sizeof kOutputOptions / sizeof kOutputOptions[0] == output_count, "one option per output");

constexpr int32_t kMessageLength = 3001;

// Limits of the engine that the statement checks apply before any data is read.
constexpr int32_t kMaxGridSize = 1000;
constexpr int32_t kMaxProjectionColumns = 100; // design columns under DF PROJECTION

struct proc_run {
    // Flags from the statements.
    bool details, noprint, no_intercept, robust, unshrink_se, weights_used, y_descending,
        class_descending, warmstart, plot_path, plot_criterion;

    // Codes and numbers from the statements.
    int32_t selection, dfformula, algorithm, model_type, max_iter, grid_size;
    double tolerance, scad_a, min_lambda, max_lambda;

    // Variable lists. Predictor arrays have p + 1 entries where the response takes the last.
    int32_t response_number, response_type;
    name33 response_name;
    int32_t p;
    int32_t *predictor_numbers, *predictor_types;
    name33 *predictor_names;
    int32_t class_count;
    int32_t *class_numbers;
    name33 *class_names;
    int32_t forcein_count;
    int32_t *forcein_numbers;
    name33 *forcein_names;
    uint8_t *forcein; // one byte per predictor
    int32_t id_count;
    int32_t *id_numbers, *id_types;
    name33 *id_names;
    int32_t *read_list; // predictors in MODEL order, the response, then the ID variables
    uint8_t *is_class;  // per predictor: 1 for a CLASS predictor
    int32_t *class_levels, *design_cols, *reference_level;
    double var_count_info; // information code 95, handed back to the variable selection

    // Data.
    int32_t nobs, n;
    int32_t *excluded, *response_only_missing;
    double **columns;       // per read-list variable, nobs values; predictors and response
                            // only until the design is built
    int32_t *row_of;        // per observation: its design row, its row of held_rows, or -1
    double *held_rows;      // predictors of the observations missing only the response
    name33 **obs_texts;     // per read-list variable: its texts (CLASS, character response, ID)
    name33 **level_texts;   // per predictor: its levels in level order (CLASS only)
    int32_t **level_freqs;  // per predictor: frequencies in level order
    int32_t max_levels;
    bool character_response;
    bool has_event;
    name33 event_text;

    // Engine inputs and results.
    int32_t total_cols;
    double *design, *response, *case_weights;
    uint8_t *design_forcein;
    int32_t option_vector[8];
    double *betas, *std_errs, *coef_path;
    double intercept, intercept_se, selected_lambda, criterion_value;
    int32_t simple_df, effective_df, best_index, iterations;
    uint8_t converged, at_max_lambda, at_min_lambda, error_flag;
    int32_t *message_codes;
    char *message_text; // kMessageLength bytes and a zero byte
    // The whole lambda path (OUTPATH, PLOTS): filled by the engine when its arrays exist.
    quill_grid_table grid;

    // Host handles.
    qh_statement *proc_record;
    qh_dataset *input;
    qh_record *read_record;
    qh_dataset *out_ds[output_count];
    qh_record *out_rec[output_count];
    // Values bound to the output variables: read by the host at each write.
    double predicted, effective_df_value, simple_df_value, iterations_value, grid_status,
        convergence_status;
    double *id_number_values; // per ID variable, for OUTPRED
    name33 *id_text_values;
    double *path_row; // OUTPATH: the grid value's statistics, then its coefficients
};

void init_run(proc_run &run);
const qh_grammar &build_grammar();
int parse_statements(proc_run &run);
void check_statement_values(const proc_run &run, const qh_statement *model);
int read_data(proc_run &run);
void check_data(const proc_run &run);
void check_design_size(const proc_run &run);
void build_design(proc_run &run);
// The controls of the engine call that come from outside the statements (trace lines, threads),
// for the start option; a bad QUILL_THREADS gets a warning.
int32_t engine_controls();
void warn_about_fit(const proc_run &run);
void print_summary(proc_run run);
void define_outputs(proc_run &run);
void write_outputs(proc_run &run);

// The ID variables of OUTPRED: defined before PREDICTED, set to observation o's values.
void define_id_variables(proc_run &run);
void set_id_values(proc_run &run, int32_t o);
// A WARNING before an output data set that is the DATA= data set replaces it.
void warn_if_input(const proc_run &run, qh_dataset *output, const char *option);

// The lambda path: its table for the engine, OUTPATH, and the PATH and CRITERION plots.
void allocate_path(proc_run &run);
void define_path(proc_run &run);
void write_path(proc_run &run);
void draw_plots(const proc_run &run);

} // namespace quill::proc

#endif
