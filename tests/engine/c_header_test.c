/*
 * The engine's public header compiles as C and its two exports link from the shared library and
 * run from C: a call with an invalid intercept mode comes back with the error flag, its message
 * cut to the buffer ("Invalid", then the 0) and the outputs that are set before anything else;
 * a valid call gives the same results through runscad and runscad_path, whose table holds the
 * selected fit.
 */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "quill/runscad.h"

enum { N = 8, G = 3, MSG = 8 };

/* The outputs of one call with one design column. */
struct outputs {
    double min_lambda, max_lambda, beta, se, path[G], intercept, intercept_se, lambda, criterion;
    int32_t simple_df, df, best, iterations, message[MSG];
    uint8_t converged, at_max, at_min, error_flag;
};

static const double x[N] = {1, 2, 3, 4, 5, 6, 7, 8};
static const double y[N] = {1.3, 1.8, 3.1, 3.6, 5.2, 5.9, 7.1, 7.8};
static const double w[N] = {1, 1, 1, 1, 1, 1, 1, 1};
static const uint8_t forcein[1] = {0};

/* runscad, or runscad_path when a table is given. */
static void call(int32_t n, const int32_t *options, struct outputs *o,
                 const quill_grid_table *table) {
    memset(o, 0, sizeof *o);
    o->min_lambda = o->max_lambda = -1.0;
    o->intercept = 99.0;
    o->converged = 7;
    const int32_t grid = options[QUILL_OPT_GRID_SIZE];
    if (table)
        runscad_path(1, n, x, y, w, forcein, options, grid, 1e-9, &o->min_lambda, &o->max_lambda,
                     QUILL_MODEL_NORMAL, 3.7, &o->beta, &o->intercept, &o->se, &o->intercept_se,
                     o->path, &o->lambda, &o->criterion, &o->simple_df, &o->df, &o->best,
                     &o->iterations, &o->converged, &o->at_max, &o->at_min, &o->error_flag, MSG,
                     o->message, table);
    else
        runscad(1, n, x, y, w, forcein, options, grid, 1e-9, &o->min_lambda, &o->max_lambda,
                QUILL_MODEL_NORMAL, 3.7, &o->beta, &o->intercept, &o->se, &o->intercept_se,
                o->path, &o->lambda, &o->criterion, &o->simple_df, &o->df, &o->best,
                &o->iterations, &o->converged, &o->at_max, &o->at_min, &o->error_flag, MSG,
                o->message);
}

int main(void) {
    const int32_t bad_options[8] = {0, 0, 0, 1, 10, 0, 0, 3}; /* intercept mode 3 does not exist */
    struct outputs bad;
    call(2, bad_options, &bad, NULL);
    int said = bad.message[MSG - 1] == 0;
    for (int k = 0; k < MSG - 1; ++k) said &= bad.message[k] == "Invalid"[k];
    if (bad.error_flag != 0xFF || !said || bad.converged != 0 || bad.intercept != 0.0) {
        fprintf(stderr, "runscad from C: flag %d, message said %d, converged %d, intercept %g\n",
                bad.error_flag, said, bad.converged, bad.intercept);
        return 1;
    }

    const int32_t options[8] = {0, 0, 0, G, 100, 0, 0, 0};
    struct outputs plain, with_table;
    double bic[G];
    int32_t passes[G];
    const quill_grid_table table = {NULL, NULL, bic, NULL, NULL, NULL, NULL, passes, NULL, NULL, NULL, NULL, NULL, NULL,
                                     NULL, NULL, NULL};
    call(N, options, &plain, NULL);
    call(N, options, &with_table, &table);
    const int same = memcmp(&plain, &with_table, sizeof plain) == 0;
    const int b = with_table.best - 1;
    if (plain.error_flag != 0 || !same || b < 0 || b >= G || bic[b] != with_table.criterion ||
        passes[b] != with_table.iterations) {
        fprintf(stderr, "runscad_path from C: flag %d, same outputs %d, best %d\n",
                with_table.error_flag, same, with_table.best);
        return 1;
    }

    /* The controls above the start rule: silent, one thread, the same results. */
    const int32_t quiet_options[8] = {
        0, 0, 0, G, 100, 0, QUILL_CONTROL_QUIET | QUILL_CONTROL_THREADS(1), 0};
    struct outputs quiet;
    call(N, quiet_options, &quiet, NULL);
    if (memcmp(&plain, &quiet, sizeof plain) != 0) {
        fprintf(stderr, "runscad from C with controls: flag %d\n", quiet.error_flag);
        return 1;
    }
    return 0;
}
