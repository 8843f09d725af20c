/*
 * The engine's public header compiles as C and its one export links from the shared library and
 * runs from C: a call with an invalid intercept mode comes back with the error flag, an empty
 * message (a 0, then blanks) and the outputs that are set before anything else.
 */
#include <stdint.h>
#include <stdio.h>

#include "quill/runscad.h"

int main(void) {
    const double x[2] = {1.0, 2.0}, y[2] = {0.5, 1.5}, w[2] = {1.0, 1.0};
    const uint8_t forcein[1] = {0};
    const int32_t options[8] = {0, 0, 0, 1, 10, 0, 0, 3}; /* intercept mode 3 does not exist */
    double min_lambda = -1.0, max_lambda = -1.0;
    double beta[1], se[1], path[1], intercept = 99.0, intercept_se = 0.0, lambda = 0.0, criterion = 0.0;
    int32_t simple_df = 0, df = 0, best = 0, iterations = 0, message[8];
    uint8_t converged = 7, at_max = 0, at_min = 0, error_flag = 0;

    runscad(1, 2, x, y, w, forcein, options, 1, 1e-9, &min_lambda, &max_lambda,
            QUILL_MODEL_NORMAL, 3.7, beta, &intercept, se, &intercept_se, path, &lambda,
            &criterion, &simple_df, &df, &best, &iterations, &converged, &at_max, &at_min,
            &error_flag, 8, message);

    int empty = message[0] == 0;
    for (int k = 1; k < 8; ++k) empty &= message[k] == 32;
    if (error_flag != 0xFF || !empty || converged != 0 || intercept != 0.0) {
        fprintf(stderr, "runscad from C: flag %d, empty message %d, converged %d, intercept %g\n",
                error_flag, empty, converged, intercept);
        return 1;
    }
    return 0;
}
