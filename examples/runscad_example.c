/*
 * runscad_example: fits a SCAD-penalized normal regression to a CSV file with the engine's one
 * entry and prints everything it returns.
 *
 *   runscad_example FILE.csv
 *
 * The file has a header row of names and numeric values only. The response is the column named
 * lpsa when there is one, otherwise the last column; every other column is a predictor. The fit
 * uses an intercept, a grid of 250 automatic lambda values, BIC, at most 250 iterations per fit,
 * tolerance 1e-9 and a = 3.7.
 */
#include <errno.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "quill/runscad.h"

enum { MESSAGE_LENGTH = 3001, GRID_SIZE = 250, MAX_ITER = 250, PATH_STEP = 25 };

typedef struct {
    int rows;       /* observations */
    int cols;       /* columns, the response included */
    char **names;   /* cols names, pointing into text */
    double *values; /* rows x cols, column-major */
    char *text;     /* the file's contents, cut into names in place */
} csv_table;

static void free_table(csv_table *t) {
    free(t->names);
    free(t->values);
    free(t->text);
    memset(t, 0, sizeof *t);
}

static char *read_file(const char *path) {
    FILE *f = fopen(path, "rb");
    if (!f) {
        fprintf(stderr, "runscad_example: cannot open %s: %s\n", path, strerror(errno));
        return NULL;
    }
    size_t size = 0, capacity = 1 << 16;
    char *text = malloc(capacity);
    while (text) {
        size += fread(text + size, 1, capacity - size - 1, f);
        if (size < capacity - 1) break;
        char *bigger = realloc(text, capacity * 2);
        if (!bigger) {
            free(text);
            text = NULL;
            break;
        }
        text = bigger;
        capacity *= 2;
    }
    if (!text) fprintf(stderr, "runscad_example: out of memory reading %s\n", path);
    else if (ferror(f)) {
        fprintf(stderr, "runscad_example: cannot read %s\n", path);
        free(text);
        text = NULL;
    } else {
        text[size] = '\0';
    }
    fclose(f);
    return text;
}

/* Cuts the next line off *cursor (line ends LF or CR LF); NULL at the end of the text. */
static char *next_line(char **cursor) {
    char *line = *cursor;
    if (*line == '\0') return NULL;
    char *end = line + strcspn(line, "\n");
    *cursor = *end ? end + 1 : end;
    *end = '\0';
    if (end > line && end[-1] == '\r') end[-1] = '\0';
    return line;
}

static int count_fields(const char *line) {
    int count = 1;
    for (; *line; ++line) count += *line == ',';
    return count;
}

static int is_blank(const char *s) {
    return s[strspn(s, " \t")] == '\0';
}

/* Reads a table of numbers; on failure prints why and returns 0. */
static int read_csv(const char *path, csv_table *t) {
    memset(t, 0, sizeof *t);
    t->text = read_file(path);
    if (!t->text) return 0;

    char *cursor = t->text;
    char *header = next_line(&cursor);
    if (!header || is_blank(header)) {
        fprintf(stderr, "runscad_example: %s has no header row\n", path);
        return 0;
    }
    t->cols = count_fields(header);
    t->names = malloc(sizeof(char *) * (size_t)t->cols);
    if (!t->names) return 0;
    for (int j = 0; j < t->cols; ++j) {
        t->names[j] = header;
        header += strcspn(header, ",");
        if (*header) *header++ = '\0';
    }

    /* Count the data rows first, so that the values can go straight into their columns. */
    int rows = 0;
    for (const char *s = cursor; *s;) {
        const char *end = s + strcspn(s, "\n");
        if (end > s && !(end == s + 1 && *s == '\r')) ++rows;
        s = *end ? end + 1 : end;
    }
    t->rows = rows;
    t->values = malloc(sizeof(double) * (size_t)rows * (size_t)t->cols + 1);
    if (!t->values) {
        fprintf(stderr, "runscad_example: out of memory\n");
        return 0;
    }

    int i = 0, line_no = 1;
    for (char *line; (line = next_line(&cursor)) != NULL;) {
        ++line_no;
        if (*line == '\0') continue;
        if (count_fields(line) != t->cols) {
            fprintf(stderr, "runscad_example: %s line %d has %d fields; the header has %d\n", path,
                    line_no, count_fields(line), t->cols);
            return 0;
        }
        for (int j = 0; j < t->cols; ++j) {
            char *field = line;
            line += strcspn(line, ",");
            if (*line) *line++ = '\0';
            char *end = NULL;
            errno = 0;
            const double value = strtod(field, &end);
            if (is_blank(field)) {
                fprintf(stderr, "runscad_example: %s line %d: missing value of %s\n", path, line_no,
                        t->names[j]);
                return 0;
            }
            if (end == field || !is_blank(end) || !isfinite(value)) {
                fprintf(stderr, "runscad_example: %s line %d: value of %s is not a number: %s\n",
                        path, line_no, t->names[j], field);
                return 0;
            }
            t->values[(size_t)j * (size_t)rows + (size_t)i] = value;
        }
        ++i;
    }
    return 1;
}

static const char *yes_no(uint8_t flag) { return flag ? "yes" : "no"; }

static void print_message(const int32_t *codes, int length) {
    fputs("runscad failed:\n  ", stdout);
    for (int k = 0; k < length && codes[k] != 0; ++k) {
        const int c = codes[k] & 0xFF;
        if (c == '\n')
            fputs("\n  ", stdout);
        else if (c != '\r')
            putchar(c);
    }
    fputc('\n', stdout);
}

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: runscad_example FILE.csv\n");
        return 2;
    }
    csv_table table;
    if (!read_csv(argv[1], &table)) {
        free_table(&table);
        return 1;
    }
    if (table.cols < 2) {
        fprintf(stderr, "runscad_example: %s needs a response and at least one predictor\n",
                argv[1]);
        free_table(&table);
        return 1;
    }

    int response = table.cols - 1;
    for (int j = 0; j < table.cols; ++j)
        if (strcmp(table.names[j], "lpsa") == 0) response = j;

    const int n = table.rows, p = table.cols - 1;
    double *x = malloc(sizeof(double) * (size_t)n * (size_t)p + 1);
    double *weights = malloc(sizeof(double) * (size_t)n + 1);
    uint8_t *forcein = calloc((size_t)p, 1);
    double *beta = malloc(sizeof(double) * (size_t)p);
    double *se = malloc(sizeof(double) * (size_t)p);
    double *path = malloc(sizeof(double) * (size_t)p * GRID_SIZE);
    const char **predictor = malloc(sizeof(char *) * (size_t)p);
    int32_t *message = malloc(sizeof(int32_t) * MESSAGE_LENGTH);
    int status = 1;
    if (!x || !weights || !forcein || !beta || !se || !path || !predictor || !message) {
        fprintf(stderr, "runscad_example: out of memory\n");
        goto done;
    }
    for (int j = 0, k = 0; j < table.cols; ++j) {
        if (j == response) continue;
        predictor[k] = table.names[j];
        memcpy(x + (size_t)k * (size_t)n, table.values + (size_t)j * (size_t)n,
               sizeof(double) * (size_t)n);
        ++k;
    }
    const double *y = table.values + (size_t)response * (size_t)n;
    for (int i = 0; i < n; ++i) weights[i] = 1.0;

    /* LQA, BIC, COUNT df, G, max_iter, model-based errors, (unused), intercept */
    const int32_t options[8] = {0, 0, 0, GRID_SIZE, MAX_ITER, 0, 0, 0};
    double min_lambda = -1.0, max_lambda = -1.0;
    double intercept = 0.0, intercept_se = 0.0, lambda = 0.0, criterion = 0.0;
    int32_t simple_df = 0, df = 0, best = 0, iterations = 0;
    uint8_t converged = 0, at_max = 0, at_min = 0, error_flag = 0;

    printf("Data: %s, %d observations, response %s, %d predictors\n", argv[1], n,
           table.names[response], p);
    runscad(p, n, x, y, weights, forcein, options, GRID_SIZE, 1e-9, &min_lambda, &max_lambda,
            QUILL_MODEL_NORMAL, 3.7, beta, &intercept, se, &intercept_se, path, &lambda,
            &criterion, &simple_df, &df, &best, &iterations, &converged, &at_max, &at_min,
            &error_flag, MESSAGE_LENGTH, message);
    if (error_flag) {
        print_message(message, MESSAGE_LENGTH);
        goto done;
    }

    printf("Lambda grid: %d values from %.6g to %.6g\n", GRID_SIZE, min_lambda, max_lambda);
    printf("Selected lambda: %.6g (grid value %d of %d)\n", lambda, best, GRID_SIZE);
    printf("  at the small end of the grid: %s; at the large end: %s\n", yes_no(at_min),
           yes_no(at_max));
    printf("BIC: %.6f\n", criterion);
    printf("Nonzero coefficients: %d; effective degrees of freedom: %d\n", simple_df, df);
    printf("Iterations: %d; converged: %s\n\n", iterations, yes_no(converged));

    printf("%-12s %14s %14s\n", "Variable", "Estimate", "Std. error");
    printf("%-12s %14.6f %14.6f\n", "Intercept", intercept, intercept_se);
    for (int j = 0; j < p; ++j) printf("%-12.12s %14.6f %14.6f\n", predictor[j], beta[j], se[j]);

    printf("\nCoefficient path at grid value 1, every %dth and the selected one (*):\n", PATH_STEP);
    printf("%6s", "grid");
    for (int j = 0; j < p; ++j) printf(" %10.10s", predictor[j]);
    putchar('\n');
    for (int g = 1; g <= GRID_SIZE; ++g) {
        if (!(g == 1 || g == best || g % PATH_STEP == 0)) continue;
        printf("%5d%c", g, g == best ? '*' : ' ');
        for (int j = 0; j < p; ++j) printf(" %10.4g", path[(size_t)j * GRID_SIZE + (size_t)(g - 1)]);
        putchar('\n');
    }
    status = 0;

done:
    free(x);
    free(weights);
    free(forcein);
    free(beta);
    free(se);
    free(path);
    free(predictor);
    free(message);
    free_table(&table);
    return status;
}
