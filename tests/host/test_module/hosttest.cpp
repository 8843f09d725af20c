// PROC HOSTTEST: a tiny procedure module that exercises the host through the routine table only,
// as a real procedure does. It parses its statements with a grammar using every action kind and
// every variable-list form, reads its input data set, writes the log and listing, writes an
// output data set and ends with the return code the program asks for.
//
//   PROC HOSTTEST <DATA=ds> <OUT=ds> <VERBOSE> <KEEPOPEN>;
//     VARS list </ FLAGGED>;   ONE variable;   NUM number;   WORD name;   RC integer;
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "api/module_interface.h"

namespace {

const qh_interface_vector *g_vector = nullptr;
qh_routines g_host;

// ORDER: the terminals in byte order, the end marker last; the enum follows it.
const char *const terminal_names[] = {"(", ")", "-", "/", ":", "=", "CHAR", "CHARACTER", "COMPOUND", "DATA",
                                      "DATE", "DATETIME", "ENDJB", "FLAGGED", "HOSTTEST", "INT", "KEEPOPEN",
                                      "MISSING", "NAMEX", "NBR", "NUM", "NUMERIC", "ONE", "OUT", "QS", "RC",
                                      "TIME", "VARS", "VERBOSE", "VLITERAL", "WORD", "$$$"};
enum T {
    LP, RP, DASH, SLASH, COLON, EQ, CHAR_, CHARACTER, COMPOUND, DATA, DATE, DATETIME, ENDJB, FLAGGED,
    HOSTTEST, INT, KEEPOPEN, MISSING, NAMEX, NBR, NUM, NUMERIC, ONE, OUT, QS, RC, TIME, VARS, VERBOSE,
    VLITERAL, WORD, END_MARKER, TERMINAL_COUNT
};
static_assert(sizeof terminal_names / sizeof *terminal_names == TERMINAL_COUNT);

enum Nt { STEP, PROC_OPTS, PROC_OPT, DSNAME, DSOPTS, DSOPT_ITEMS, DSOPT_ITEM, STMTS, STMT, VARS_OPTS, VARLIST,
          VARITEM, VNAME, NUMBER, NT_COUNT };

const qh_action actions[] = {
    {QH_ACT_START_RECORD, QH_TARGET_CURRENT, 0, 7},              // 0 the PROC record
    {QH_ACT_DEFAULT_DATASET, QH_TARGET_PROC, 1, QH_DS_INPUT},    // 1
    {QH_ACT_DEFAULT_DATASET, QH_TARGET_PROC, 2, QH_DS_OUTPUT},   // 2
    {QH_ACT_STORE_DATASET, QH_TARGET_PROC, 1, QH_DS_INPUT},      // 3
    {QH_ACT_STORE_DATASET, QH_TARGET_PROC, 2, QH_DS_OUTPUT},     // 4
    {QH_ACT_SET_FLAG, QH_TARGET_PROC, 0, 1},                     // 5 VERBOSE
    {QH_ACT_START_RECORD, QH_TARGET_CURRENT, 0, 1},              // 6 a VARS record
    {QH_ACT_STORE_VARLIST, QH_TARGET_CURRENT, 1, 0},             // 7
    {QH_ACT_STORE_VARIABLE, QH_TARGET_PROC, 3, 0},               // 8
    {QH_ACT_STORE_NUMBER, QH_TARGET_PROC, 4, 0},                 // 9
    {QH_ACT_STORE_TEXT, QH_TARGET_PROC, 5, 8},                   // 10
    {QH_ACT_STORE_NUMBER, QH_TARGET_PROC, 6, 0},                 // 11
    {QH_ACT_SET_FLAG, QH_TARGET_CURRENT, 0, 1},                  // 12 FLAGGED
    {QH_ACT_SET_FLAG, QH_TARGET_PROC, 0, 2},                     // 13 KEEPOPEN
};

#define TT(x) QH_T(x)
#define NN(x) QH_N(x)
#define AA(x) QH_A(x)
const qh_symbol step_rhs[] = {TT(HOSTTEST), AA(0), NN(PROC_OPTS), AA(1), AA(2), TT(ENDJB), NN(STMTS)};
const qh_symbol opts_rhs[] = {NN(PROC_OPT), NN(PROC_OPTS)};
const qh_symbol opt_data[] = {TT(DATA), TT(EQ), NN(DSNAME), AA(3)};
const qh_symbol opt_out[] = {TT(OUT), TT(EQ), NN(DSNAME), AA(4)};
const qh_symbol opt_verbose[] = {TT(VERBOSE), AA(5)};
const qh_symbol opt_keepopen[] = {TT(KEEPOPEN), AA(13)};
const qh_symbol ds_name[] = {TT(NAMEX), NN(DSOPTS)};
const qh_symbol ds_compound[] = {TT(COMPOUND), NN(DSOPTS)};
const qh_symbol ds_qs[] = {TT(QS), NN(DSOPTS)};
const qh_symbol ds_literal[] = {TT(VLITERAL), NN(DSOPTS)};
const qh_symbol dsopts_rhs[] = {TT(LP), NN(DSOPT_ITEMS), TT(RP)};
const qh_symbol items_rhs[] = {NN(DSOPT_ITEM), NN(DSOPT_ITEMS)};
const qh_symbol item_name[] = {TT(NAMEX)};
const qh_symbol item_eq[] = {TT(EQ)};
const qh_symbol item_dash[] = {TT(DASH)};
const qh_symbol item_colon[] = {TT(COLON)};
const qh_symbol stmts_rhs[] = {NN(STMT), NN(STMTS)};
const qh_symbol stmt_vars[] = {TT(VARS), AA(6), NN(VARLIST), AA(7), NN(VARS_OPTS), TT(ENDJB)};
const qh_symbol stmt_one[] = {TT(ONE), NN(VARITEM), AA(8), TT(ENDJB)};
const qh_symbol stmt_num[] = {TT(NUM), NN(NUMBER), AA(9), TT(ENDJB)};
const qh_symbol stmt_word[] = {TT(WORD), TT(NAMEX), AA(10), TT(ENDJB)};
const qh_symbol stmt_rc[] = {TT(RC), TT(INT), AA(11), TT(ENDJB)};
const qh_symbol vars_opts_rhs[] = {TT(SLASH), TT(FLAGGED), AA(12)};
const qh_symbol varlist_rhs[] = {NN(VARITEM), NN(VARLIST)};
const qh_symbol vi_positional[] = {NN(VNAME), TT(DASH), TT(DASH), NN(VNAME)};
const qh_symbol vi_numeric[] = {NN(VNAME), TT(DASH), TT(NUMERIC), TT(DASH), NN(VNAME)};
const qh_symbol vi_character[] = {NN(VNAME), TT(DASH), TT(CHARACTER), TT(DASH), NN(VNAME)};
const qh_symbol vi_char[] = {NN(VNAME), TT(DASH), TT(CHAR_), TT(DASH), NN(VNAME)};
const qh_symbol vi_numbered[] = {NN(VNAME), TT(DASH), NN(VNAME)};
const qh_symbol vi_prefix[] = {NN(VNAME), TT(COLON)};
const qh_symbol vi_name[] = {NN(VNAME)};
const qh_symbol vname_name[] = {TT(NAMEX)};
const qh_symbol vname_literal[] = {TT(VLITERAL)};
const qh_symbol num_nbr[] = {TT(NBR)};
const qh_symbol num_int[] = {TT(INT)};
const qh_symbol num_date[] = {TT(DATE)};
const qh_symbol num_time[] = {TT(TIME)};
const qh_symbol num_datetime[] = {TT(DATETIME)};
const qh_symbol num_missing[] = {TT(MISSING)};
const qh_symbol num_negative[] = {TT(DASH), NN(NUMBER)};

#define PROD(lhs, rhs) {lhs, static_cast<int16_t>(sizeof rhs / sizeof *rhs), rhs}
#define EMPTY(lhs) {lhs, 0, nullptr}
const qh_production productions[] = {
    PROD(STEP, step_rhs),
    PROD(PROC_OPTS, opts_rhs), EMPTY(PROC_OPTS),
    PROD(PROC_OPT, opt_data), PROD(PROC_OPT, opt_out), PROD(PROC_OPT, opt_verbose), PROD(PROC_OPT, opt_keepopen),
    PROD(DSNAME, ds_name), PROD(DSNAME, ds_compound), PROD(DSNAME, ds_qs), PROD(DSNAME, ds_literal),
    PROD(DSOPTS, dsopts_rhs), EMPTY(DSOPTS),
    PROD(DSOPT_ITEMS, items_rhs), EMPTY(DSOPT_ITEMS),
    PROD(DSOPT_ITEM, item_name), PROD(DSOPT_ITEM, item_eq), PROD(DSOPT_ITEM, item_dash), PROD(DSOPT_ITEM, item_colon),
    PROD(STMTS, stmts_rhs), EMPTY(STMTS),
    PROD(STMT, stmt_vars), PROD(STMT, stmt_one), PROD(STMT, stmt_num), PROD(STMT, stmt_word), PROD(STMT, stmt_rc),
    PROD(VARS_OPTS, vars_opts_rhs), EMPTY(VARS_OPTS),
    PROD(VARLIST, varlist_rhs), EMPTY(VARLIST),
    PROD(VARITEM, vi_positional), PROD(VARITEM, vi_numeric), PROD(VARITEM, vi_character), PROD(VARITEM, vi_char),
    PROD(VARITEM, vi_numbered), PROD(VARITEM, vi_prefix), PROD(VARITEM, vi_name),
    PROD(VNAME, vname_name), PROD(VNAME, vname_literal),
    PROD(NUMBER, num_nbr), PROD(NUMBER, num_int), PROD(NUMBER, num_date), PROD(NUMBER, num_time),
    PROD(NUMBER, num_datetime), PROD(NUMBER, num_missing), PROD(NUMBER, num_negative),
};

unsigned char terminal_bytes[512];

qh_grammar build_grammar()
{
    size_t at = 0;
    for (const char *name : terminal_names) {
        const size_t n = std::strlen(name);
        terminal_bytes[at++] = static_cast<unsigned char>(n);
        std::memcpy(terminal_bytes + at, name, n);
        at += n;
    }
    qh_grammar g{};
    g.terminals = terminal_bytes;
    g.terminal_count = TERMINAL_COUNT;
    g.productions = productions;
    g.production_count = sizeof productions / sizeof *productions;
    g.nonterminal_count = NT_COUNT;
    g.actions = actions;
    g.action_count = sizeof actions / sizeof *actions;
    g.start = STEP;
    return g;
}

[[noreturn]] void end(int rc) { g_host.end_run(rc, 0); }

void proc_main()
{
    qh_parse_area area{};
    const char *debug = std::strstr(g_vector->debug_option, "TLKTDBG=");
    if (debug && debug[8] > '0' && debug[8] <= '9' && !g_vector->load_module("SASPROCD"))
        g_vector->log("%3zCannot load the SASPROCD module. Since this is a debug-only module, an attempt is made "
                      "to load SASPROCI instead.");
    qh_proci_entry proci = g_vector->load_module("SASPROCI");
    if (!proci) {
        g_vector->log("%1zCannot load the SASPROCI module. The user-written item cannot function without it.");
        g_vector->end_run(1012, 0);
    }
    proci(&g_host, &area);
    const qh_grammar grammar = build_grammar();
    g_host.parse(&grammar, 0, &area);
    if (area.status >= QH_PARSE_FAILED)
        end(3000);
    qh_statement *proc = area.proc_record;
    g_host.log("%8hHOSTTEST: a procedure that tests its host");

    if (QH_SLOT(proc, 4).specified)
        g_host.log("%3z Number %.17g", QH_SLOT(proc, 4).number);
    if (QH_SLOT(proc, 5).specified) {
        g_host.log("%3z Word [%s]", QH_SLOT(proc, 5).text);
        if (g_host.compare(QH_SLOT(proc, 5).text, "WARN", 4) == 0)
            g_host.log("%1z Warning: The word asks for a warning.");
        if (g_host.compare(QH_SLOT(proc, 5).text, "ERR", 3) == 0)
            g_host.log("%1zThe word asks for an error line.");
    }
    if (QH_FLAG(proc, 1))
        g_host.log("%3z VERBOSE is set.");

    qh_dataset *in = QH_SLOT(proc, 1).dataset;
    qh_var_info info;
    if (QH_SLOT(proc, 3).specified) {
        g_host.variable_info(in, QH_SLOT(proc, 3).var_numbers[0], &info);
        g_host.log("%3z One variable: %s", info.name);
    }

    // The VARS records, in order; their variables are read.
    std::vector<int32_t> vars;
    for (qh_statement *s = proc->next; s; s = s->next) {
        if (g_host.compare(s->name, "VARS", 4) != 0)
            continue;
        g_host.log("%3z VARS record with %d variables%s.", QH_SLOT(s, 1).var_count, QH_FLAG(s, 1) ? ", flagged" : "");
        for (int32_t i = 0; i < QH_SLOT(s, 1).var_count; ++i)
            vars.push_back(QH_SLOT(s, 1).var_numbers[i]);
    }
    double nobs = 0, nvars = 0;
    g_host.dataset_info(in, QH_INFO_OBS_COUNT, &nobs);
    g_host.dataset_info(in, QH_INFO_VAR_COUNT, &nvars);
    g_host.select_variables(in, QH_SELECT_VARIABLES, static_cast<int32_t>(vars.size()), vars.data(), nvars);

    const size_t k = vars.size();
    auto *numbers = static_cast<double *>(g_host.allocate(sizeof(double) * (k + 1)));
    auto *texts = static_cast<char *>(g_host.allocate(33 * (k + 1)));
    auto *sums = static_cast<double *>(g_host.allocate(sizeof(double) * (k + 1)));
    std::vector<int32_t> types(k);
    std::vector<std::string> names(k);
    qh_record *reader = g_host.open_read(in, static_cast<int32_t>(k));
    for (size_t i = 0; i < k; ++i) {
        g_host.variable_info(in, vars[i], &info);
        types[i] = info.type;
        names[i].assign(info.name, static_cast<size_t>(info.name_length));
        if (info.type == QH_VAR_NUMERIC)
            g_host.bind_variable(reader, vars[i], 0, &numbers[i], 8, QH_BIND_NATIVE);
        else
            g_host.bind_variable(reader, vars[i], 0, texts + 33 * i, 32, QH_BIND_NATIVE);
    }
    g_host.end_binding(reader);
    long read = 0, missing = 0;
    while (g_host.read_next(in)) {
        g_host.fetch(reader, 0);
        ++read;
        for (size_t i = 0; i < k; ++i) {
            if (types[i] != QH_VAR_NUMERIC)
                continue;
            if (g_host.is_missing(numbers[i]))
                ++missing;
            else
                sums[i] += numbers[i];
        }
    }
    g_host.log("%3z %ld observations read of %.0f, %ld missing values.", read, nobs, missing);

    // The listing: a titled report with one line per variable.
    char title[256];
    g_host.fill(' ', title, sizeof title);
    const int32_t length = g_host.format_into(title, sizeof title, "%9tHOSTTEST -- Sums of %s", "the variables");
    g_host.title(0, nullptr, 0);
    g_host.title(1, title, length);
    g_host.list_begin_report();
    for (size_t i = 0; i < k; ++i) {
        if (types[i] != QH_VAR_NUMERIC)
            continue;
        g_host.list_text("%-12s", names[i].c_str());
        g_host.list_text("%10.3f", sums[i]);
        g_host.list_end_line();
    }
    g_host.list_end_line();

    // The output: N, SUM_<var> for each numeric variable, N again (the host renames it), WORD.
    if (QH_SLOT(proc, 2).dataset && (QH_SLOT(proc, 2).specified || QH_FLAG(proc, 1))) {
        qh_dataset *out = QH_SLOT(proc, 2).dataset;
        qh_record *writer = g_host.open_write(out, static_cast<int32_t>(k + 3));
        double count = static_cast<double>(read);
        auto define = [&](const char *name, const void *value, int32_t type, int32_t len) {
            char text[33];
            g_host.fill(' ', text, 32);
            text[32] = '\0';
            g_host.format_into(text, 33, "%s", name);
            g_host.remove_pattern(text, 32, " ");
            const int32_t n = static_cast<int32_t>(std::strlen(text));
            g_host.name_text(text, n, QH_TEXT_VALID_NAME);
            qh_var_def def{type, len, text, n, "BEST", 12};
            g_host.define_variable(writer, &def, 0, value, len);
        };
        define("N", &count, QH_VAR_NUMERIC, 8);
        for (size_t i = 0; i < k; ++i)
            if (types[i] == QH_VAR_NUMERIC)
                define(("SUM " + names[i]).c_str(), &sums[i], QH_VAR_NUMERIC, 8);
        define("N", &count, QH_VAR_NUMERIC, 8);
        define("WORD", QH_SLOT(proc, 5).text, QH_VAR_CHARACTER, 8);
        g_host.end_definitions(writer);
        g_host.write_record(writer, 0);
        g_host.write_dataset(out, 0);
        count = -1;
        g_host.write_record(writer, 0);
        g_host.write_dataset(out, 0);
        if (!QH_FLAG(proc, 2))
            g_host.release_record(writer);
    }
    g_host.release_record(reader);
    const int rc = QH_SLOT(proc, 6).specified ? static_cast<int>(QH_SLOT(proc, 6).number) : 0;
    if (rc == 3000)
        g_host.log("%1zThe program asked for return code 3000.");
    end(rc);
}

const qh_module_descriptor descriptor = {{'H', 'O', 'S', 'T', 'T', 'E', 'S', 'T'}, proc_main};
const qh_image_information image = {QH_IMAGE_INFORMATION_TAG, "9.00", "9.00.0001M060102", __DATE__, &descriptor};

} // namespace

extern "C" __attribute__((visibility("default"))) const qh_image_information *mcn_main(const qh_interface_vector *vector,
                                                                                       void *)
{
    g_vector = vector;
    return &image;
}
