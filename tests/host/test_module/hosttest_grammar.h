// The statement grammar of PROC HOSTTEST, shared by the module and the parser tests. It uses
// every action kind and every variable-list form:
//
//   PROC HOSTTEST <DATA=ds> <OUT=ds> <VERBOSE> <KEEPOPEN>;
//     VARS list </ FLAGGED>;   ONE variable;   NUM number;   WORD name;   RC integer;
//
// PROC record (7 slots): 1 DATA (input, default _LAST_), 2 OUT (output), 3 ONE, 4 NUM, 5 WORD
// (width 8), 6 RC; flag 1 VERBOSE, flag 2 KEEPOPEN. Each VARS statement gets a record of its own:
// slot 1 the list, flag 1 FLAGGED.
#ifndef QUILL_TESTS_HOSTTEST_GRAMMAR_H
#define QUILL_TESTS_HOSTTEST_GRAMMAR_H

#include <cstring>

#include "api/grammar_descriptor.h"

namespace hosttest {

// ORDER: the terminals in byte order, the end marker last; the enum follows it.
inline const char *const terminal_names[] = {"(", ")", "-", "/", ":", "=", "CHAR", "CHARACTER", "COMPOUND", "DATA",
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

inline const qh_action actions[] = {
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
inline const qh_symbol step_rhs[] = {TT(HOSTTEST), AA(0), NN(PROC_OPTS), AA(1), AA(2), TT(ENDJB), NN(STMTS)};
inline const qh_symbol opts_rhs[] = {NN(PROC_OPT), NN(PROC_OPTS)};
inline const qh_symbol opt_data[] = {TT(DATA), TT(EQ), NN(DSNAME), AA(3)};
inline const qh_symbol opt_out[] = {TT(OUT), TT(EQ), NN(DSNAME), AA(4)};
inline const qh_symbol opt_verbose[] = {TT(VERBOSE), AA(5)};
inline const qh_symbol opt_keepopen[] = {TT(KEEPOPEN), AA(13)};
inline const qh_symbol ds_name[] = {TT(NAMEX), NN(DSOPTS)};
inline const qh_symbol ds_compound[] = {TT(COMPOUND), NN(DSOPTS)};
inline const qh_symbol ds_qs[] = {TT(QS), NN(DSOPTS)};
inline const qh_symbol ds_literal[] = {TT(VLITERAL), NN(DSOPTS)};
inline const qh_symbol dsopts_rhs[] = {TT(LP), NN(DSOPT_ITEMS), TT(RP)};
inline const qh_symbol items_rhs[] = {NN(DSOPT_ITEM), NN(DSOPT_ITEMS)};
inline const qh_symbol item_name[] = {TT(NAMEX)};
inline const qh_symbol item_eq[] = {TT(EQ)};
inline const qh_symbol item_dash[] = {TT(DASH)};
inline const qh_symbol item_colon[] = {TT(COLON)};
inline const qh_symbol stmts_rhs[] = {NN(STMT), NN(STMTS)};
inline const qh_symbol stmt_vars[] = {TT(VARS), AA(6), NN(VARLIST), AA(7), NN(VARS_OPTS), TT(ENDJB)};
inline const qh_symbol stmt_one[] = {TT(ONE), NN(VARITEM), AA(8), TT(ENDJB)};
inline const qh_symbol stmt_num[] = {TT(NUM), NN(NUMBER), AA(9), TT(ENDJB)};
inline const qh_symbol stmt_word[] = {TT(WORD), TT(NAMEX), AA(10), TT(ENDJB)};
inline const qh_symbol stmt_rc[] = {TT(RC), TT(INT), AA(11), TT(ENDJB)};
inline const qh_symbol vars_opts_rhs[] = {TT(SLASH), TT(FLAGGED), AA(12)};
inline const qh_symbol varlist_rhs[] = {NN(VARITEM), NN(VARLIST)};
inline const qh_symbol vi_positional[] = {NN(VNAME), TT(DASH), TT(DASH), NN(VNAME)};
inline const qh_symbol vi_numeric[] = {NN(VNAME), TT(DASH), TT(NUMERIC), TT(DASH), NN(VNAME)};
inline const qh_symbol vi_character[] = {NN(VNAME), TT(DASH), TT(CHARACTER), TT(DASH), NN(VNAME)};
inline const qh_symbol vi_char[] = {NN(VNAME), TT(DASH), TT(CHAR_), TT(DASH), NN(VNAME)};
inline const qh_symbol vi_numbered[] = {NN(VNAME), TT(DASH), NN(VNAME)};
inline const qh_symbol vi_prefix[] = {NN(VNAME), TT(COLON)};
inline const qh_symbol vi_name[] = {NN(VNAME)};
inline const qh_symbol vname_name[] = {TT(NAMEX)};
inline const qh_symbol vname_literal[] = {TT(VLITERAL)};
inline const qh_symbol num_nbr[] = {TT(NBR)};
inline const qh_symbol num_int[] = {TT(INT)};
inline const qh_symbol num_date[] = {TT(DATE)};
inline const qh_symbol num_time[] = {TT(TIME)};
inline const qh_symbol num_datetime[] = {TT(DATETIME)};
inline const qh_symbol num_missing[] = {TT(MISSING)};
inline const qh_symbol num_negative[] = {TT(DASH), NN(NUMBER)};

#define PROD(lhs, rhs) {lhs, static_cast<int16_t>(sizeof rhs / sizeof *rhs), rhs}
#define EMPTY(lhs) {lhs, 0, nullptr}
inline const qh_production productions[] = {
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

inline unsigned char terminal_bytes[512];

inline qh_grammar build_grammar()
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

#undef TT
#undef NN
#undef AA
#undef PROD
#undef EMPTY

} // namespace hosttest

#endif
