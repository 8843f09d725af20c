/*
 * What the host's parser leaves for a procedure: the PROC record and a chain of statement
 * records, each with numbered parameter slots and flags, and the parse area that points at them.
 */
#ifndef QUILL_HOST_API_STATEMENT_RECORDS_H
#define QUILL_HOST_API_STATEMENT_RECORDS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct qh_dataset qh_dataset; /* a data set opened by the host (input or output) */
typedef struct qh_record qh_record;   /* a read or write record of a data set */

#define QH_NAME_LEN 32 /* names and text values: 32 characters, blank-filled, then a zero byte */

/* One parameter slot. Only the members that the storing action fills are meaningful. */
typedef struct qh_param {
    int32_t specified;        /* times a value was stored into the slot; 0 = absent */
    double number;            /* a number (any numeric token class) */
    char text[QH_NAME_LEN + 1]; /* a name value: upper-cased, blank-filled, zero byte last */
    qh_dataset *dataset;      /* a data set (input or output) */
    int32_t var_count;        /* a variable list or single variable: how many */
    int32_t *var_numbers;     /* their 1-based numbers in the input data set */
    int32_t line;             /* program line of the value last stored; 0 = none */
} qh_param;

/* A statement record. The PROC record heads the chain; `next` links the other statement
 * records in the order the statements were written. */
typedef struct qh_statement {
    struct qh_statement *next;
    char name[QH_NAME_LEN + 1]; /* the statement keyword, upper case, blank-filled */
    int32_t slot_count;         /* slots 1 .. slot_count */
    qh_param *slots;            /* slots[i - 1] is slot i */
    uint32_t flags;             /* flag n is bit n counted from the most significant bit */
} qh_statement;

#define QH_SLOT(record, n) ((record)->slots[(n) - 1])
#define QH_FLAG_BIT(n) (UINT32_C(1) << (32 - (n)))
#define QH_FLAG(record, n) (((record)->flags & QH_FLAG_BIT(n)) != 0)

/* Filled by the parse operation. */
typedef struct qh_parse_area {
    qh_statement *proc_record; /* NULL when nothing was parsed */
    int16_t status;            /* 0 parsed; 999 or more: errors, already written to the log */
} qh_parse_area;

#define QH_PARSE_FAILED 999

#ifdef __cplusplus
}
#endif

#endif
