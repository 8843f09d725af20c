/*
 * The struct entry from C: the README's example, then what it promises. quill_fit gives exactly
 * runscad_path's results and table; the thread count and the trace switch are members of their
 * own; a struct of the caller's size is read through that size: smaller than the first published
 * one is refused, larger is accepted while the bytes past this library's struct are zero.
 */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "quill/runscad.h"

enum { N = 8, P = 1, G = 3, MSG = 3001 };

static const double x[N] = {1, 2, 3, 4, 5, 6, 7, 8};
static const double y[N] = {1.3, 1.8, 3.1, 3.6, 5.2, 5.9, 7.1, 7.8};
static const uint8_t forcein[P] = {0};

/* The example: a normal model, BIC over G automatic grid values, silent, two threads. */
static int32_t example(double beta[P], double se[P], double path[G * P], double bic[G],
                       int32_t message[MSG], quill_fit_result *result) {
    quill_fit_data data = {0};
    data.size = sizeof data;
    data.p = P;
    data.n = N;
    data.x = x;
    data.y = y;
    data.forcein = forcein;

    quill_fit_controls controls = {0};
    controls.size = sizeof controls;
    controls.model_type = QUILL_MODEL_NORMAL;
    controls.selection = QUILL_SELECTION_BIC;
    controls.grid_size = G;
    controls.max_iter = 100;
    controls.threads = 2;
    controls.tolerance = 1e-9;
    controls.a = 3.7;
    controls.min_lambda = QUILL_MAX_LAMBDA_AUTOMATIC;
    controls.max_lambda = QUILL_MAX_LAMBDA_AUTOMATIC;

    static quill_grid_table table = {0};
    table.bic = bic;
    memset(result, 0, sizeof *result);
    result->size = sizeof *result;
    result->beta = beta;
    result->se = se;
    result->beta_path = path;
    result->table = &table;
    result->msg_len = MSG;
    result->message_codes = message;
    return quill_fit(&data, &controls, result);
}

static int fails(const char *what) {
    fprintf(stderr, "quill_fit from C: %s\n", what);
    return 1;
}

int main(void) {
    double beta[P], se[P], path[G * P], bic[G];
    int32_t message[MSG];
    quill_fit_result result;
    if (example(beta, se, path, bic, message, &result) != 0 || result.error_flag != 0)
        return fails("the example failed");

    /* runscad_path with the same options, quiet and two threads packed into the start option. */
    const int32_t options[8] = {0, 0, 0, G, 100, 0, QUILL_CONTROL_QUIET | QUILL_CONTROL_THREADS(2), 0};
    double pbeta[P], pse[P], ppath[G * P], pbic[G], lo = -1.0, hi = -1.0, icpt, icpt_se, lambda, crit;
    int32_t sdf, df, best, iter, pmessage[MSG];
    uint8_t conv, amax, amin, flag;
    quill_grid_table ptable = {0};
    ptable.bic = pbic;
    const double w[N] = {1, 1, 1, 1, 1, 1, 1, 1};
    runscad_path(P, N, x, y, w, forcein, options, G, 1e-9, &lo, &hi, QUILL_MODEL_NORMAL, 3.7,
                 pbeta, &icpt, pse, &icpt_se, ppath, &lambda, &crit, &sdf, &df, &best, &iter,
                 &conv, &amax, &amin, &flag, MSG, pmessage, &ptable);
    if (flag != 0 || memcmp(beta, pbeta, sizeof beta) || memcmp(se, pse, sizeof se) ||
        memcmp(path, ppath, sizeof path) || memcmp(bic, pbic, sizeof bic) ||
        result.intercept != icpt || result.intercept_se != icpt_se || result.lambda != lambda ||
        result.criterion != crit || result.min_lambda != lo || result.max_lambda != hi ||
        result.simple_df != sdf || result.df != df || result.best_index != best ||
        result.num_iter != iter || result.converged != conv || result.at_max_lambda != amax ||
        result.at_min_lambda != amin)
        return fails("the results differ from runscad_path's");

    /* A larger struct from a newer header: zeros past the known members are accepted. */
    struct {
        quill_fit_controls known;
        int32_t later[4];
    } grown;
    quill_fit_data data = {0};
    data.size = sizeof data;
    data.p = P;
    data.n = N;
    data.x = x;
    data.y = y;
    data.forcein = forcein;
    memset(&grown, 0, sizeof grown);
    grown.known.size = sizeof grown;
    grown.known.grid_size = G;
    grown.known.max_iter = 100;
    grown.known.tolerance = 1e-9;
    grown.known.a = 3.7;
    grown.known.min_lambda = grown.known.max_lambda = -1.0;
    result.table = NULL;
    if (quill_fit(&data, &grown.known, &result) != 0 || memcmp(beta, pbeta, sizeof beta))
        return fails("a larger controls struct of zeros was not accepted");

    /* ... but a member this library does not know, once set, is refused by name. */
    grown.later[1] = 1;
    if (quill_fit(&data, &grown.known, &result) != -1 || result.error_flag != 0xFF)
        return fails("an unknown member that is set was not refused");
    const char *said = "quill_fit_controls has members this library does not know";
    for (size_t k = 0; k < strlen(said); ++k)
        if (message[k] != said[k]) return fails("the unknown member's message");

    /* A struct smaller than the first published one is refused; so is a thread count above the
       limit. A result struct too small to hold the flag gets nothing written. */
    data.size = sizeof data - 1;
    if (quill_fit(&data, &grown.known, &result) != -1 || result.error_flag != 0xFF)
        return fails("an undersized data struct was not refused");
    data.size = sizeof data;
    grown.later[1] = 0;
    grown.known.threads = QUILL_MAX_THREAD_LIMIT + 1;
    if (quill_fit(&data, &grown.known, &result) != -1) return fails("threads above the limit");
    quill_fit_result small;
    memset(&small, 0x5A, sizeof small);
    small.size = 8;
    grown.known.threads = 1;
    if (quill_fit(&data, &grown.known, &small) != -1 || small.error_flag != 0x5A)
        return fails("an undersized result struct was written");
    return 0;
}
