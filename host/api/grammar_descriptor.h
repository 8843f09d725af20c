/*
 * The grammar a procedure hands to the host's parse operation.
 *
 * Terminals: a byte string of entries, each a length byte followed by its characters, sorted in
 * byte order, the end marker "$$$" last. A terminal is one of
 *   - a token class: "ENDJB" (the end of a statement, `;`), "NAMEX" (any name), "QS" (a quoted
 *     string), "INT", "NBR" (integer, other number), "COMPOUND" (a two-level name lib.member),
 *     "FMT" (a name with a trailing dot), "DATE", "TIME", "DATETIME" (literals such as
 *     '01jan2020'd), "MISSING" (`.`), "VLITERAL" (a name literal 'my var'n), "CATNAME",
 *     "SASDS", "RESERVED1" .. "RESERVED5" (never produced by the tokenizer);
 *   - punctuation: one of ( ) - / : = ;
 *   - any other text: a keyword, matched case-insensitively against a name token.
 *
 * Productions: for each nonterminal its alternatives, in the order they appear in the table. The
 * host tries them in that order and takes the first that matches (ordered choice); an empty
 * production always matches, so lists are written as `list := item list | <empty>`.
 * Right-hand sides are arrays of symbols built with QH_T, QH_N and QH_A.
 *
 * Actions run only after the whole step has parsed, in the order they were reached, so a
 * procedure never sees half-parsed records. An action that stores a value takes it from the
 * symbol written just before it in the production (for a nonterminal: every token it matched).
 */
#ifndef QUILL_HOST_API_GRAMMAR_DESCRIPTOR_H
#define QUILL_HOST_API_GRAMMAR_DESCRIPTOR_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int16_t qh_symbol;
#define QH_T(i) ((qh_symbol)(0x0000 | (i)))  /* terminal, 0-based index into the terminal list */
#define QH_N(i) ((qh_symbol)(0x1000 | (i)))  /* nonterminal number i */
#define QH_A(i) ((qh_symbol)(0x2000 | (i)))  /* action number i */
#define QH_SYMBOL_KIND(s) ((s) & 0x7000)
#define QH_SYMBOL_INDEX(s) ((s) & 0x0FFF)

typedef enum qh_action_kind {
    QH_ACT_START_RECORD = 1,   /* new statement record with `arg` slots, named by the keyword just
                                  matched; it becomes the current record (the first is the PROC
                                  record) */
    QH_ACT_STORE_DATASET = 2,  /* the data set name just matched into `slot`; `arg` is a mode */
    QH_ACT_DEFAULT_DATASET = 3,/* when `slot` is still empty: the host's default for the mode */
    QH_ACT_STORE_VARLIST = 4,  /* the variable list just matched, resolved against the input */
    QH_ACT_STORE_VARIABLE = 5, /* the single variable just matched */
    QH_ACT_STORE_NUMBER = 6,   /* the numeric token just matched */
    QH_ACT_STORE_TEXT = 7,     /* the name just matched, upper-cased; `arg` is the slot width */
    QH_ACT_SET_FLAG = 8        /* flag number `arg` */
} qh_action_kind;

enum { QH_DS_INPUT = 1, QH_DS_OUTPUT = 2 };
enum { QH_TARGET_CURRENT = 0, QH_TARGET_PROC = 1 };

typedef struct qh_action {
    int16_t kind;   /* qh_action_kind */
    int16_t target; /* QH_TARGET_CURRENT: the current record; QH_TARGET_PROC: the PROC record */
    int16_t slot;   /* 1-based slot, where the kind stores a value */
    int16_t arg;    /* record size, data set mode, text width or flag number */
} qh_action;

typedef struct qh_production {
    int16_t lhs;            /* nonterminal number */
    int16_t length;         /* number of symbols in rhs (0: the empty production) */
    const qh_symbol *rhs;
} qh_production;

typedef struct qh_grammar {
    const unsigned char *terminals; /* length-prefixed names, sorted, "$$$" last */
    int32_t terminal_count;         /* including the end marker */
    const qh_production *productions;
    int32_t production_count;
    int32_t nonterminal_count;
    const qh_action *actions;
    int32_t action_count;
    int16_t start;                  /* the nonterminal for the whole step */
} qh_grammar;

/* The tokens handed to the start nonterminal are those of the step from the procedure name up
 * to (not including) the RUN or QUIT statement; the start nonterminal must match all of them. */

#ifdef __cplusplus
}
#endif

#endif
