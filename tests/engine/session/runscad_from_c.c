/* The public header compiles as C and the entry can be called from C. */
#include "quill/runscad.h"

int quill_runscad_from_c(void) {
    double x[4] = {1, 2, 3, 4}, y[4] = {1, 3, 2, 5}, lo = -1.0, hi = -1.0;
    double beta[1], se[1], path[3], intercept, intercept_se, lambda, criterion;
    int32_t options[8] = {0, 0, 0, 3, 100, 0, 0, 3};
    uint8_t forcein[1] = {0}, converged, at_max, at_min, flag = 0;
    int32_t simple_df, df, best, iterations, message[16];
    runscad(1, 4, x, y, 0, forcein, options, 3, 1e-9, &lo, &hi, QUILL_MODEL_NORMAL, 3.7, beta,
            &intercept, se, &intercept_se, path, &lambda, &criterion, &simple_df, &df, &best,
            &iterations, &converged, &at_max, &at_min, &flag, 16, message);
    return flag == 0xFF && message[0] == 0 ? 1 : 0;
}
