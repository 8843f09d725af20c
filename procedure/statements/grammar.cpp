// The grammar of PROC QUILLFIT as data for the host's parser: the terminal names, the
// productions (ordered choice, first match wins) and the actions that store what was parsed
// into the PROC record and the MODEL and CLASS records.
#include <array>
#include <cstring>
#include <string_view>

#include "grammar_descriptor.h"
#include "host_link.h"
#include "proc_run.h"
#include "statements/statement_slots.h"
#include "statements/statements.h"

namespace quill::proc {
namespace {

// ORDER TERMINALS: byte order of the names, the end marker last. The variable list keywords
// _ALL_, _CHARACTER_, _CHAR_ and _NUMERIC_ are t_list_*, since a double underscore is reserved.
enum terminal : int16_t {
    t_lparen, t_rparen, t_minus, t_slash, t_colon, t_equals,
    t_A, t_ALGORITHM, t_ALL, t_BY, t_CATNAME, t_CHAR, t_CHARACTER, t_CLASS, t_COMPOUND, t_CRITERION,
    t_CVRULE, t_DATA, t_DATE, t_DATETIME, t_DESCEND, t_DESCENDING, t_DETAILS, t_DF, t_DIST,
    t_DISTRIBUTION, t_EBICGAMMA, t_ENDJB, t_FMT, t_FOLD, t_FOLDS, t_FORCEIN, t_FULL, t_GRIDSIZE, t_ID, t_INT, t_MAXITER, t_MAXLAMBDA,
    t_MINLAMBDA, t_MISSING, t_MODEL, t_NAMEX, t_NBR, t_NOINT, t_NONE, t_NOPRINT, t_NUMERIC,
    t_OFFSET, t_OUTBETAS, t_OUTERRS, t_OUTINFO, t_OUTPATH, t_OUTPRED, t_PATH, t_PENALTY, t_PLOTS, t_QS, t_QUILLFIT,
    t_REFIT, t_RESERVED1, t_RESERVED2, t_RESERVED3, t_RESERVED4, t_RESERVED5, t_ROBUST, t_SASDS,
    t_SEED, t_SELECTION, t_TIME, t_UNSHRINK_SE,
    t_VLITERAL, t_WARMSTART, t_WEIGHT, t_YDESCENDING, t_list_ALL, t_list_CHARACTER, t_list_CHAR, t_list_NUMERIC,
    t_END, terminal_count
};

// ORDER TERMINALS
constexpr std::array<std::string_view, terminal_count> kTerminalNames = {
    "(", ")", "-", "/", ":", "=",
    "A", "ALGORITHM", "ALL", "BY", "CATNAME", "CHAR", "CHARACTER", "CLASS", "COMPOUND", "CRITERION",
    "CVRULE", "DATA", "DATE", "DATETIME", "DESCEND", "DESCENDING", "DETAILS", "DF", "DIST",
    "DISTRIBUTION", "EBICGAMMA", "ENDJB", "FMT", "FOLD", "FOLDS", "FORCEIN", "FULL", "GRIDSIZE", "ID", "INT", "MAXITER", "MAXLAMBDA",
    "MINLAMBDA", "MISSING", "MODEL", "NAMEX", "NBR", "NOINT", "NONE", "NOPRINT", "NUMERIC",
    "OFFSET", "OUTBETAS", "OUTERRS", "OUTINFO", "OUTPATH", "OUTPRED", "PATH", "PENALTY", "PLOTS", "QS", "QUILLFIT",
    "REFIT", "RESERVED1", "RESERVED2", "RESERVED3", "RESERVED4", "RESERVED5", "ROBUST", "SASDS",
    "SEED", "SELECTION", "TIME", "UNSHRINK_SE",
    "VLITERAL", "WARMSTART", "WEIGHT", "YDESCENDING", "_ALL_", "_CHARACTER_", "_CHAR_", "_NUMERIC_",
    "$$$",
};
static_assert(terminal_count == 79);

constexpr bool terminals_sorted() {
    for (std::size_t i = 1; i + 1 < kTerminalNames.size(); ++i)
        if (!(kTerminalNames[i - 1] < kTerminalNames[i])) return false;
    return kTerminalNames.back() == "$$$";
}
static_assert(terminals_sorted(), "terminal names must stay in byte order");

constexpr std::size_t terminal_bytes() {
    std::size_t bytes = 0;
    for (std::string_view name : kTerminalNames) bytes += 1 + name.size();
    return bytes;
}

// ORDER NONTERMINALS
enum nonterminal : int16_t {
    n_step, n_proc_options, n_proc_option, n_dataset, n_dataset_name, n_dataset_options,
    n_ds_tokens, n_ds_token, n_statements, n_statement, n_model_response, n_model_rhs,
    n_model_options, n_model_option_list, n_model_option, n_class_options, n_class_option_list,
    n_class_option, n_varlist, n_varitem, n_variable, n_number, n_plot_request, n_plot_list,
    n_plot_name, n_by_items, n_by_item, nonterminal_count
};

// ORDER ACTIONS
enum action : int16_t {
    a_proc_start, a_data, a_outbetas, a_outerrs, a_outinfo, a_outpred, a_noprint, a_details,
    a_robust, a_unshrink_se, a_default_input, a_default_output, a_model_start,
    a_model_response, a_model_predictors, a_model_noint, a_model_ydescending, a_class_start,
    a_class_variables, a_class_descending, a_weight, a_id, a_forcein, a_selection, a_df,
    a_algorithm, a_criterion, a_maxiter, a_minlambda, a_maxlambda, a_gridsize, a_a, a_dist,
    a_outpath, a_plot_path, a_plot_criterion, a_warmstart, a_maxlambda_full, a_model_offset,
    a_ebicgamma, a_by_start, a_by_variables, a_by_descending, a_folds, a_seed, a_fold, a_cvrule,
    a_cvrule_number, a_refit, a_penalty, action_count
};

constexpr int16_t kCur = QH_TARGET_CURRENT, kProc = QH_TARGET_PROC;
constexpr int16_t kIn = QH_DS_INPUT, kOut = QH_DS_OUTPUT;

// ORDER ACTIONS                  kind                    target slot or flag          arg
constexpr qh_action kActions[] = {
    /* a_proc_start        */ {QH_ACT_START_RECORD,    kCur,  0,                     kProcRecordSlots},
    /* a_data              */ {QH_ACT_STORE_DATASET,   kProc, slot_data,             kIn},
    /* a_outbetas          */ {QH_ACT_STORE_DATASET,   kProc, slot_outbetas,         kOut},
    /* a_outerrs           */ {QH_ACT_STORE_DATASET,   kProc, slot_outerrs,          kOut},
    /* a_outinfo           */ {QH_ACT_STORE_DATASET,   kProc, slot_outinfo,          kOut},
    /* a_outpred           */ {QH_ACT_STORE_DATASET,   kProc, slot_outpred,          kOut},
    /* a_noprint           */ {QH_ACT_SET_FLAG,        kProc, 0,                     flag_noprint},
    /* a_details           */ {QH_ACT_SET_FLAG,        kProc, 0,                     flag_details},
    /* a_robust            */ {QH_ACT_SET_FLAG,        kProc, 0,                     flag_robust},
    /* a_unshrink_se       */ {QH_ACT_SET_FLAG,        kProc, 0,                     flag_unshrink_se},
    /* a_default_input     */ {QH_ACT_DEFAULT_DATASET, kProc, slot_data,             kIn},
    /* a_default_output    */ {QH_ACT_DEFAULT_DATASET, kProc, slot_outbetas,         kOut},
    /* a_model_start       */ {QH_ACT_START_RECORD,    kCur,  0,                     kModelRecordSlots},
    /* a_model_response    */ {QH_ACT_STORE_VARIABLE,  kCur,  model_slot_response,   0},
    /* a_model_predictors  */ {QH_ACT_STORE_VARLIST,   kCur,  model_slot_predictors, 0},
    /* a_model_noint       */ {QH_ACT_SET_FLAG,        kCur,  0,                     flag_noint},
    /* a_model_ydescending */ {QH_ACT_SET_FLAG,        kCur,  0,                     flag_ydescending},
    /* a_class_start       */ {QH_ACT_START_RECORD,    kCur,  0,                     kClassRecordSlots},
    /* a_class_variables   */ {QH_ACT_STORE_VARLIST,   kCur,  class_slot_variables,  0},
    /* a_class_descending  */ {QH_ACT_SET_FLAG,        kCur,  0,                     flag_descending},
    /* a_weight            */ {QH_ACT_STORE_VARIABLE,  kProc, slot_weight,           0},
    /* a_id                */ {QH_ACT_STORE_VARLIST,   kProc, slot_id,               0},
    /* a_forcein           */ {QH_ACT_STORE_VARLIST,   kProc, slot_forcein,          0},
    /* a_selection         */ {QH_ACT_STORE_TEXT,      kProc, slot_selection,        kNameWidth},
    /* a_df                */ {QH_ACT_STORE_TEXT,      kProc, slot_df,               kNameWidth},
    /* a_algorithm         */ {QH_ACT_STORE_TEXT,      kProc, slot_algorithm,        kNameWidth},
    /* a_criterion         */ {QH_ACT_STORE_NUMBER,    kProc, slot_criterion,        0},
    /* a_maxiter           */ {QH_ACT_STORE_NUMBER,    kProc, slot_maxiter,          0},
    /* a_minlambda         */ {QH_ACT_STORE_NUMBER,    kProc, slot_minlambda,        0},
    /* a_maxlambda         */ {QH_ACT_STORE_NUMBER,    kProc, slot_maxlambda,        0},
    /* a_gridsize          */ {QH_ACT_STORE_NUMBER,    kProc, slot_gridsize,         0},
    /* a_a                 */ {QH_ACT_STORE_NUMBER,    kProc, slot_a,                0},
    /* a_dist              */ {QH_ACT_STORE_TEXT,      kProc, slot_dist,             kNameWidth},
    /* a_outpath           */ {QH_ACT_STORE_DATASET,   kProc, slot_outpath,          kOut},
    /* a_plot_path         */ {QH_ACT_SET_FLAG,        kProc, 0,                     flag_plot_path},
    /* a_plot_criterion    */ {QH_ACT_SET_FLAG,        kProc, 0,                     flag_plot_criterion},
    /* a_warmstart         */ {QH_ACT_SET_FLAG,        kProc, 0,                     flag_warmstart},
    /* a_maxlambda_full    */ {QH_ACT_STORE_TEXT,      kProc, slot_maxlambda_full,   kNameWidth},
    /* a_model_offset      */ {QH_ACT_STORE_VARIABLE,  kCur,  model_slot_offset,     0},
    /* a_ebicgamma         */ {QH_ACT_STORE_NUMBER,    kProc, slot_ebicgamma,        0},
    /* a_by_start          */ {QH_ACT_START_RECORD,    kCur,  0,                     kByRecordSlots},
    /* a_by_variables      */ {QH_ACT_STORE_VARLIST,   kCur,  by_slot_variables,     0},
    /* a_by_descending     */ {QH_ACT_STORE_VARLIST,   kCur,  by_slot_descending,    0},
    /* a_folds             */ {QH_ACT_STORE_NUMBER,    kProc, slot_folds,            0},
    /* a_seed              */ {QH_ACT_STORE_NUMBER,    kProc, slot_seed,             0},
    /* a_fold              */ {QH_ACT_STORE_VARIABLE,  kProc, slot_fold,             0},
    /* a_cvrule            */ {QH_ACT_STORE_TEXT,      kProc, slot_cvrule,           kNameWidth},
    /* a_cvrule_number     */ {QH_ACT_STORE_NUMBER,    kProc, slot_cvrule_number,    0},
    /* a_refit             */ {QH_ACT_SET_FLAG,        kProc, 0,                     flag_refit},
    /* a_penalty           */ {QH_ACT_STORE_TEXT,      kProc, slot_penalty,          kNameWidth},
};
static_assert(std::size(kActions) == action_count, "one action row per action");

constexpr qh_symbol T(terminal t) { return QH_T(t); }
constexpr qh_symbol N(nonterminal n) { return QH_N(n); }
constexpr qh_symbol A(action a) { return QH_A(a); }

constexpr int kMaxRhs = 7;
struct rule {
    nonterminal lhs;
    int16_t length;
    std::array<qh_symbol, kMaxRhs> rhs;
};
template <typename... S>
constexpr rule R(nonterminal lhs, S... symbols) {
    static_assert(sizeof...(S) <= kMaxRhs);
    return rule{lhs, static_cast<int16_t>(sizeof...(S)), {symbols...}};
}

// The alternatives of each nonterminal, in the order the host tries them.
constexpr rule kRules[] = {
    // PROC QUILLFIT options; then the statements up to RUN.
    R(n_step, T(t_QUILLFIT), A(a_proc_start), N(n_proc_options), A(a_default_input),
      A(a_default_output), T(t_ENDJB), N(n_statements)),
    R(n_proc_options, N(n_proc_option), N(n_proc_options)),
    R(n_proc_options),
    R(n_proc_option, T(t_DATA),     T(t_equals), N(n_dataset), A(a_data)),
    R(n_proc_option, T(t_OUTBETAS), T(t_equals), N(n_dataset), A(a_outbetas)),
    R(n_proc_option, T(t_OUTERRS),  T(t_equals), N(n_dataset), A(a_outerrs)),
    R(n_proc_option, T(t_OUTINFO),  T(t_equals), N(n_dataset), A(a_outinfo)),
    R(n_proc_option, T(t_OUTPRED),  T(t_equals), N(n_dataset), A(a_outpred)),
    R(n_proc_option, T(t_OUTPATH),  T(t_equals), N(n_dataset), A(a_outpath)),
    R(n_proc_option, T(t_PLOTS),    T(t_equals), N(n_plot_request)),
    R(n_proc_option, T(t_NOPRINT),     A(a_noprint)),
    R(n_proc_option, T(t_DETAILS),     A(a_details)),
    R(n_proc_option, T(t_ROBUST),      A(a_robust)),
    R(n_proc_option, T(t_UNSHRINK_SE), A(a_unshrink_se)),
    R(n_proc_option, T(t_WARMSTART),   A(a_warmstart)),

    // PLOTS=NONE | ALL | PATH | CRITERION | (PATH CRITERION).
    R(n_plot_request, T(t_lparen), N(n_plot_list), T(t_rparen)),
    R(n_plot_request, N(n_plot_name)),
    R(n_plot_list, N(n_plot_name), N(n_plot_list)),
    R(n_plot_list),
    R(n_plot_name, T(t_ALL),       A(a_plot_path), A(a_plot_criterion)),
    R(n_plot_name, T(t_NONE)),
    R(n_plot_name, T(t_PATH),      A(a_plot_path)),
    R(n_plot_name, T(t_CRITERION), A(a_plot_criterion)),

    // A data set: its name, then data set options in parentheses for the host.
    R(n_dataset, N(n_dataset_name), N(n_dataset_options)),
    R(n_dataset_name, T(t_COMPOUND)),
    R(n_dataset_name, T(t_VLITERAL)),
    R(n_dataset_name, T(t_QS)),
    R(n_dataset_name, T(t_FMT)),
    R(n_dataset_name, T(t_NAMEX)),
    R(n_dataset_options, T(t_lparen), N(n_ds_tokens), T(t_rparen)),
    R(n_dataset_options),
    R(n_ds_tokens, N(n_ds_token), N(n_ds_tokens)),
    R(n_ds_tokens),
    R(n_ds_token, T(t_lparen), N(n_ds_tokens), T(t_rparen)),
    R(n_ds_token, T(t_NAMEX)),  R(n_ds_token, T(t_COMPOUND)), R(n_ds_token, T(t_VLITERAL)),
    R(n_ds_token, T(t_QS)),     R(n_ds_token, T(t_INT)),      R(n_ds_token, T(t_NBR)),
    R(n_ds_token, T(t_FMT)),    R(n_ds_token, T(t_MISSING)),  R(n_ds_token, T(t_DATE)),
    R(n_ds_token, T(t_TIME)),   R(n_ds_token, T(t_DATETIME)), R(n_ds_token, T(t_equals)),
    R(n_ds_token, T(t_minus)),  R(n_ds_token, T(t_colon)),    R(n_ds_token, T(t_slash)),

    // The statements.
    R(n_statements, N(n_statement), N(n_statements)),
    R(n_statements),
    R(n_statement, T(t_MODEL), A(a_model_start), N(n_model_response), N(n_model_rhs),
      N(n_model_options), T(t_ENDJB)),
    R(n_statement, T(t_CLASS), A(a_class_start), N(n_varlist), A(a_class_variables),
      N(n_class_options), T(t_ENDJB)),
    R(n_statement, T(t_WEIGHT),       N(n_variable), A(a_weight),    T(t_ENDJB)),
    R(n_statement, T(t_ID),           N(n_varlist),  A(a_id),        T(t_ENDJB)),
    R(n_statement, T(t_FORCEIN),      N(n_varlist),  A(a_forcein),   T(t_ENDJB)),
    R(n_statement, T(t_SELECTION),    T(t_NAMEX),    A(a_selection), T(t_slash), T(t_REFIT),
      A(a_refit), T(t_ENDJB)),
    R(n_statement, T(t_SELECTION),    T(t_NAMEX),    A(a_selection), T(t_ENDJB)),
    R(n_statement, T(t_DF),           T(t_NAMEX),    A(a_df),        T(t_ENDJB)),
    R(n_statement, T(t_ALGORITHM),    T(t_NAMEX),    A(a_algorithm), T(t_ENDJB)),
    R(n_statement, T(t_PENALTY),      T(t_NAMEX),    A(a_penalty),   T(t_ENDJB)),
    R(n_statement, T(t_CRITERION),    N(n_number),   A(a_criterion), T(t_ENDJB)),
    R(n_statement, T(t_MAXITER),      T(t_INT),      A(a_maxiter),   T(t_ENDJB)),
    R(n_statement, T(t_MINLAMBDA),    N(n_number),   A(a_minlambda), T(t_ENDJB)),
    R(n_statement, T(t_MAXLAMBDA),    T(t_FULL),     A(a_maxlambda_full), T(t_ENDJB)),
    R(n_statement, T(t_MAXLAMBDA),    N(n_number),   A(a_maxlambda), T(t_ENDJB)),
    R(n_statement, T(t_GRIDSIZE),     T(t_INT),      A(a_gridsize),  T(t_ENDJB)),
    R(n_statement, T(t_A),            N(n_number),   A(a_a),         T(t_ENDJB)),
    R(n_statement, T(t_EBICGAMMA),    N(n_number),   A(a_ebicgamma), T(t_ENDJB)),
    R(n_statement, T(t_FOLDS),        N(n_number),   A(a_folds),     T(t_ENDJB)),
    R(n_statement, T(t_SEED),         N(n_number),   A(a_seed),      T(t_ENDJB)),
    R(n_statement, T(t_FOLD),         N(n_variable), A(a_fold),      T(t_ENDJB)),
    R(n_statement, T(t_CVRULE),       T(t_INT),      A(a_cvrule_number), T(t_NAMEX), A(a_cvrule), T(t_ENDJB)),
    R(n_statement, T(t_CVRULE),       T(t_NAMEX),    A(a_cvrule),    T(t_ENDJB)),
    R(n_statement, T(t_DIST),         T(t_NAMEX),    A(a_dist),      T(t_ENDJB)),
    R(n_statement, T(t_DISTRIBUTION), T(t_NAMEX),    A(a_dist),      T(t_ENDJB)),
    R(n_statement, T(t_BY), A(a_by_start), N(n_by_items), T(t_ENDJB)),
    R(n_statement, T(t_ENDJB)),

    // MODEL response = predictors / NOINT YDESCENDING OFFSET=var; each part may be left out, so the
    // checks of the statement can say what is missing.
    R(n_model_response, N(n_variable), A(a_model_response)),
    R(n_model_response),
    R(n_model_rhs, T(t_equals), N(n_varlist), A(a_model_predictors)),
    R(n_model_rhs),
    R(n_model_options, T(t_slash), N(n_model_option_list)),
    R(n_model_options),
    R(n_model_option_list, N(n_model_option), N(n_model_option_list)),
    R(n_model_option_list),
    R(n_model_option, T(t_NOINT),       A(a_model_noint)),
    R(n_model_option, T(t_YDESCENDING), A(a_model_ydescending)),
    R(n_model_option, T(t_OFFSET),      T(t_equals), N(n_variable), A(a_model_offset)),

    // CLASS variables / DESCENDING.
    R(n_class_options, T(t_slash), N(n_class_option_list)),
    R(n_class_options),
    R(n_class_option_list, N(n_class_option), N(n_class_option_list)),
    R(n_class_option_list),
    R(n_class_option, T(t_DESCENDING), A(a_class_descending)),
    R(n_class_option, T(t_DESCEND),    A(a_class_descending)),

    // BY [DESCENDING] variable ...: DESCENDING applies to the one variable after it, which is
    // stored in both lists (the second action takes the same variable as the first).
    R(n_by_items, N(n_by_item), N(n_by_items)),
    R(n_by_items),
    R(n_by_item, T(t_DESCENDING), N(n_variable), A(a_by_variables), A(a_by_descending)),
    R(n_by_item, T(t_DESCEND),    N(n_variable), A(a_by_variables), A(a_by_descending)),
    R(n_by_item, N(n_varitem), A(a_by_variables)),

    // Variable lists; the host resolves the matched tokens against the input data set.
    R(n_varlist, N(n_varitem), N(n_varlist)),
    R(n_varlist),
    R(n_varitem, T(t_list_NUMERIC)),
    R(n_varitem, T(t_list_CHARACTER)),
    R(n_varitem, T(t_list_CHAR)),
    R(n_varitem, T(t_list_ALL)),
    R(n_varitem, T(t_NAMEX), T(t_minus), T(t_minus), T(t_NAMEX)),
    R(n_varitem, T(t_NAMEX), T(t_minus), T(t_NUMERIC), T(t_minus), T(t_NAMEX)),
    R(n_varitem, T(t_NAMEX), T(t_minus), T(t_CHARACTER), T(t_minus), T(t_NAMEX)),
    R(n_varitem, T(t_NAMEX), T(t_minus), T(t_CHAR), T(t_minus), T(t_NAMEX)),
    R(n_varitem, T(t_NAMEX), T(t_minus), T(t_NAMEX)),
    R(n_varitem, T(t_NAMEX), T(t_colon)),
    R(n_varitem, T(t_NAMEX)),
    R(n_varitem, T(t_VLITERAL)),
    R(n_variable, T(t_NAMEX)),
    R(n_variable, T(t_VLITERAL)),

    // Numbers of any numeric token class.
    R(n_number, T(t_INT)),
    R(n_number, T(t_NBR)),
    R(n_number, T(t_DATE)),
    R(n_number, T(t_TIME)),
    R(n_number, T(t_DATETIME)),
};
constexpr std::size_t kRuleCount = std::size(kRules);

constexpr bool every_nonterminal_defined() {
    for (int16_t n = 0; n < nonterminal_count; ++n) {
        bool found = false;
        for (const rule &r : kRules) found = found || r.lhs == n;
        if (!found) return false;
    }
    return true;
}
static_assert(every_nonterminal_defined(), "every nonterminal needs a production");

struct grammar_tables {
    unsigned char terminals[terminal_bytes()];
    qh_production productions[kRuleCount];
    qh_grammar grammar;

    grammar_tables() {
        unsigned char *at = terminals;
        for (std::string_view name : kTerminalNames) {
            *at++ = static_cast<unsigned char>(name.size());
            std::memcpy(at, name.data(), name.size());
            at += name.size();
        }
        for (std::size_t i = 0; i < kRuleCount; ++i)
            productions[i] = {kRules[i].lhs, kRules[i].length, kRules[i].rhs.data()};
        grammar = {terminals,  terminal_count,    productions, static_cast<int32_t>(kRuleCount),
                   nonterminal_count, kActions, action_count, n_step};
    }
};

} // namespace

const qh_grammar &build_grammar() {
    static const grammar_tables tables;
    return tables.grammar;
}

} // namespace quill::proc
