/*
 * The routine table: every host service a procedure uses during a run. The host's procedure
 * interface module fills it at the start of each run (see module_interface.h).
 *
 * Formatted-output operations take a printf format and its arguments. A format may begin with
 * a class prefix: "%1z" error, "%2z" warning, "%3z" note, "%8h" banner, "%9t" title. Values that
 * come from users (variable names, level texts, statement values) must be arguments, never part
 * of a format.
 */
#ifndef QUILL_HOST_API_ROUTINE_TABLE_H
#define QUILL_HOST_API_ROUTINE_TABLE_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "grammar_descriptor.h"
#include "statement_records.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define QH_NORETURN __attribute__((noreturn))
#else
#define QH_NORETURN
#endif

/* Data set information codes. */
enum {
    QH_INFO_OBS_COUNT = 3,  /* number of observations */
    QH_INFO_VAR_COUNT = 95  /* number of variables; handed back to select_variables */
};
enum { QH_SELECT_VARIABLES = 70 }; /* the code of select_variables */
enum {
    QH_BIND_NATIVE = 122,   /* bind_variable: numeric as double, character as text */
    QH_BIND_FORMATTED = 123 /* bind_variable: the value as its format writes it, as text (see variable_format) */
};
enum { QH_VAR_NUMERIC = 1, QH_VAR_CHARACTER = 2 };
enum {
    QH_DSNAME_DISPLAY = 1, /* as the log shows it: EX.PROSTATE, WORK.BETAS */
    QH_DSNAME_LOCATION = 2 /* where it is stored: one text for every way of naming one data set */
};
enum {
    QH_TEXT_TRIM = 114,      /* trim trailing blanks, zero byte after the last character */
    QH_TEXT_VALID_NAME = 115 /* make a valid name: upper case, invalid characters become _ */
};

typedef struct qh_graphics_file qh_graphics_file; /* a graphics file being written (host-owned) */

/* A BY variable of by_groups: the procedure fills var_number and descending, the host the rest. */
typedef struct qh_by_variable {
    int32_t var_number; /* 1-based, in the input data set */
    int32_t descending; /* non-zero: the variable's values run in descending order */
    int32_t type;       /* QH_VAR_NUMERIC or QH_VAR_CHARACTER */
    int32_t length;     /* bytes of a value: 8 for a number, a text's declared length */
} qh_by_variable;

/* A BY group: the observations first .. first + count - 1, counted from 0 in the order the
 * reading operations deliver them, which share one value of every BY variable. */
typedef struct qh_by_group {
    int32_t first;
    int32_t count;
    const double *numbers;    /* per BY variable: a numeric one's value (missing: the missing value) */
    const char *const *texts; /* per BY variable: a character one's value, blank-filled to its
                                 length, then a zero byte; NULL for a numeric one */
    const char *line;         /* the values as the host's BY lines show them: "a=1 b=x" */
    const char *heading;      /* that line as the host heads a BY group in the listing, dashed */
} qh_by_group;

typedef struct qh_var_info {
    int32_t type;                /* QH_VAR_NUMERIC or QH_VAR_CHARACTER */
    char name[QH_NAME_LEN + 1];  /* as in the data set, blank-filled, zero byte last */
    int32_t name_length;         /* characters of the name without the blanks */
} qh_var_info;

typedef struct qh_var_def {
    int32_t type;         /* QH_VAR_NUMERIC */
    int32_t length;       /* 8 */
    const char *name;     /* not necessarily zero-terminated */
    int32_t name_length;
    const char *format;   /* display format name, e.g. "BEST" */
    int32_t format_width;
} qh_var_def;

/* A column of a table handed to output_table: its values, one per row. */
typedef struct qh_table_column {
    const char *name;          /* a valid variable name, zero-terminated */
    const char *label;         /* zero-terminated; "" for none */
    int32_t type;              /* QH_VAR_NUMERIC or QH_VAR_CHARACTER */
    const double *numbers;     /* numeric: the values (missing: the missing value) */
    const char *const *texts;  /* character: zero-terminated texts */
} qh_table_column;

typedef struct qh_routines {
    /* Parsing: interprets the grammar over the step's statements, fills the parse area. */
    int (*parse)(const qh_grammar *grammar, int32_t reserved, qh_parse_area *area);

    /* Data set information: code QH_INFO_OBS_COUNT or QH_INFO_VAR_COUNT into *result. */
    int (*dataset_info)(qh_dataset *ds, int32_t code, double *result);
    /* Restricts reading to the given variables (code QH_SELECT_VARIABLES). */
    int (*select_variables)(qh_dataset *ds, int32_t code, int32_t count,
                            const int32_t *var_numbers, double var_count);
    int (*variable_info)(qh_dataset *ds, int32_t var_number, qh_var_info *info);

    /* Reading: open a record, bind each variable to a buffer (8 bytes for a double, 32 for a
     * blank-filled text), then read_next / fetch per observation. */
    qh_record *(*open_read)(qh_dataset *ds, int32_t var_count);
    int (*bind_variable)(qh_record *rec, int32_t var_number, int32_t reserved, void *buffer,
                         int32_t length, int32_t code);
    int (*end_binding)(qh_record *rec);
    /* Non-zero while an observation was read. Each read record reads the data set on its own,
     * from the first observation: read_next moves every read record of the data set that is not
     * released on to its next observation, so records opened together see the same one and a
     * record opened later reads the data set again. The host holds no more than an observation
     * per record; a record that has passed the end, or is released, holds nothing. */
    int (*read_next)(qh_dataset *ds);
    int (*fetch)(qh_record *rec, int32_t reserved);

    /* Missing values. */
    int (*is_missing)(double value);
    double (*missing_value)(int32_t code); /* code '.' (46): the standard missing value */

    /* Writing: open a record, define each variable bound to the address of its value, end the
     * definitions (the data set is created), write observations, release. A variable keeps the
     * name it is defined with when that is a valid name (its case too), else the name is made
     * valid as QH_TEXT_VALID_NAME does. The data set appears
     * under its name only when its record is released after a complete write. Operations that
     * return int return 0 on success; once a data set's file cannot be created or written, every
     * later operation on its record fails. */
    qh_record *(*open_write)(qh_dataset *ds, int32_t var_count);
    int (*define_variable)(qh_record *rec, const qh_var_def *def, int32_t reserved,
                           const void *value, int32_t length);
    int (*end_definitions)(qh_record *rec);
    int (*write_record)(qh_record *rec, int32_t reserved);
    int (*write_dataset)(qh_dataset *ds, int32_t reserved);
    int (*release_record)(qh_record *rec); /* non-zero when the data set could not be completed */

    /* Log and listing. */
    void (*log)(const char *format, ...);
    void (*list_text)(const char *format, ...);
    void (*list_end_line)(void);
    void (*list_begin_report)(void);  /* a new page: the program's titles, then the procedure's */
    /* The procedure's own titles (0, NULL, 0 clears them); the program's TITLE lines stay above
     * them and its FOOTNOTE lines close each page. */
    void (*title)(int32_t number, const char *text, int32_t length);
    int32_t (*format_into)(char *buffer, int32_t size, const char *format, ...);

    /* Text operations. */
    int (*compare)(const char *a, const char *b, int32_t n); /* 0 when the first n agree */
    void (*fill)(int ch, char *buffer, int32_t n);
    /* Removes every occurrence of `pattern` from text[0 .. length), blank-filling the end. */
    void (*remove_pattern)(char *text, int32_t length, const char *pattern);
    /* QH_TEXT_TRIM or QH_TEXT_VALID_NAME on text[0 .. length); text has room for length + 1. */
    void (*name_text)(char *text, int32_t length, int32_t code);

    /* Memory of the run: freed by the host when the run ends. */
    void *(*allocate)(size_t bytes);

    /* Ends the run with a return code; does not return. */
    void (*end_run)(int32_t return_code, int32_t reserved) QH_NORETURN;

    /* A data set's name (a QH_DSNAME_ code), zero-terminated into buffer[0 .. size). Returns
     * the name's full length (more than size - 1 when it was cut), or -1. */
    int32_t (*dataset_name)(qh_dataset *ds, int32_t code, char *buffer, int32_t size);
    /* Where this step writes graphics files: the folder, zero-terminated into buffer[0 .. size),
     * and in *step the number of this step among the program's steps of the same procedure
     * (1 for the first), so that file names never collide. Returns the folder's full length,
     * or -1. The folder need not exist yet: open_graphics_file makes it. */
    int32_t (*graphics_folder)(char *buffer, int32_t size, int32_t *step);
    /* Gives a block from `allocate` back before the run ends; a null block is ignored. */
    void (*release)(void *block);
    /* Graphics files, created by the host so that a plot is replaced only by a complete plot.
     * open_graphics_file creates the file `name` in this step's graphics folder, making the
     * folder when it is missing. `name` is a plain file name: 1 to 64 letters, digits, '_' or
     * '-', then ".svg". The host writes it as a new temporary file beside that name (see the
     * writing operations: a link planted at the name is replaced, never followed), and a name
     * held by a folder, FIFO, device or socket is refused. Returns the file and in *stream a
     * stream to write it through, or NULL with the reason in reason[0 .. size) (zero-terminated,
     * e.g. "No space left on device"). The stream may be closed with fclose (a plotting library
     * does so); it is not used after close_graphics_file. */
    qh_graphics_file *(*open_graphics_file)(const char *name, FILE **stream, char *reason, int32_t size);
    /* Ends a graphics file (closing its stream if it is still open). With keep != 0 the file
     * takes its name, replacing an earlier file, when every write succeeded; otherwise, or with
     * keep == 0, it is removed and an earlier file of that name stays. Returns 0, or -1 with the
     * reason in reason[0 .. size) when a kept file could not be completed. A graphics file still
     * open when the run ends is removed. */
    int32_t (*close_graphics_file)(qh_graphics_file *file, int32_t keep, char *reason, int32_t size);
    /* BY groups: checks that the input data set is sorted by the `count` BY variables (each
     * ascending, or descending where marked) and divides its observations into groups. Returns
     * the number of groups (0 for a data set without observations) with *groups pointing at them
     * in order, in memory the host keeps until the run ends; or -1 after the host has written the
     * reason to the log: the data set is not sorted ("Data set WORK.A is not sorted in ascending
     * sequence. ..."), a variable does not exist, or the data cannot be read. */
    int32_t (*by_groups)(qh_dataset *ds, int32_t count, qh_by_variable *variables, const qh_by_group **groups);
    /* The display format of variable `var_number` of an input data set (a FORMAT statement of the
     * step, or the one the data set keeps), as "DATE9.", "AGEGRP." or "$SEX.", zero-terminated
     * into buffer[0 .. size). Returns its full length; 0 when the variable has none, or one the
     * host cannot apply; -1 for misuse. A variable with a format can be bound with
     * QH_BIND_FORMATTED: each fetch then fills the buffer with its value as the format writes it,
     * without leading blanks, blank-filled (cut) to the bound length; a missing value (numeric
     * missing, or an all-blank text) is all blanks, whatever the format writes for it. The BY
     * groups of by_groups are those of the formatted values, as in the host's own procedures. */
    int32_t (*variable_format)(qh_dataset *ds, int32_t var_number, char *buffer, int32_t size);
    /* A table the procedure prints, handed over as data under its table name ("ParameterEstimates"),
     * so that the program's ODS OUTPUT statement can make a data set of it: `rows` rows of
     * `count` columns. Within a BY group `group` is the group (as by_groups gave it) and the data
     * set starts with the BY variables; NULL otherwise. The tables of one name in a run (one per
     * BY group) become one data set, written when the run ends; a table nobody asked for is
     * dropped. Returns 0, or -1 for misuse (no column, a name that is not valid, columns unlike
     * those of an earlier table of that name) after a log line. The host copies what it keeps. */
    int32_t (*output_table)(const char *name, const qh_by_group *group, int32_t count, const qh_table_column *columns,
                            int32_t rows);
} qh_routines;

#ifdef __cplusplus
}
#endif

#endif
