/*
 * The one entry of the Quill estimation engine (libquill).
 *
 * runscad fits a SCAD-penalized normal, logistic or Poisson regression over a grid of lambda
 * values, selects lambda by BIC or GCV and returns the fit on the scale of the input data.
 * Every array is owned by the caller; matrices are column-major. On failure *error_flag is
 * 0xFF and message_codes holds the message, one character code per element, lines separated by
 * carriage return and line feed, terminated by a 0 element. Nothing is kept between calls and
 * the function is not re-entrant.
 */
#ifndef QUILL_RUNSCAD_H
#define QUILL_RUNSCAD_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define QUILL_EXPORT __attribute__((visibility("default")))
#else
#define QUILL_EXPORT
#endif

/* Indices (0-based) into option_vector. */
enum {
    QUILL_OPT_ALGORITHM = 0,      /* 0 LQA, 1 ICM */
    QUILL_OPT_SELECTION = 1,      /* 0 BIC, 1 GCV */
    QUILL_OPT_DFFORMULA = 2,      /* 0 COUNT, 1 PROJECTION */
    QUILL_OPT_GRID_SIZE = 3,      /* 1 to 1000 */
    QUILL_OPT_MAX_ITER = 4,       /* 1 or more */
    QUILL_OPT_ROBUST = 5,         /* > 0: robust standard errors (normal model) */
    QUILL_OPT_UNUSED = 6,
    QUILL_OPT_INTERCEPT_MODE = 7  /* 0 intercept, 1 center y, 2 no intercept */
};

/* Model types. */
enum { QUILL_MODEL_NORMAL = 0, QUILL_MODEL_LOGISTIC = 1, QUILL_MODEL_POISSON = 2 };

QUILL_EXPORT void runscad(
    int32_t p,                        /*  1 number of design columns */
    int32_t n,                        /*  2 number of observations */
    const double *raw_x,              /*  3 n x p design, column-major */
    const double *y_vec,              /*  4 response [n] */
    const double *case_weights_vec,   /*  5 case weights [n] (not read: every weight is 1.0) */
    const uint8_t *forcein_vec,       /*  6 1 = forced in, 0 = penalized [p] */
    const int32_t *option_vector,     /*  7 eight integer options */
    int32_t grid_size,                /*  8 G */
    double tolerance,                 /*  9 convergence tolerance */
    double *min_lambda,               /* 10 in: -1.0 = automatic; out: first grid value */
    double *max_lambda,               /* 11 in: -1.0 = automatic; out: last grid value */
    int32_t model_type,               /* 12 0 normal, 1 logistic, 2 Poisson */
    double a,                         /* 13 SCAD shape constant */
    double *beta_out,                 /* 14 coefficients [p] */
    double *intercept_out,            /* 15 intercept */
    double *se_out,                   /* 16 standard errors [p] */
    double *intercept_se_out,         /* 17 standard error of the intercept */
    double *beta_path_out,            /* 18 coefficient path, G x p, column-major */
    double *lambda_out,               /* 19 selected lambda */
    double *criterion_out,            /* 20 BIC or GCV at the selected lambda */
    int32_t *simple_df_out,           /* 21 nonzero coefficients at the selected lambda */
    int32_t *df_out,                  /* 22 effective df at the selected lambda */
    int32_t *best_index_out,          /* 23 1-based grid index of the selected lambda */
    int32_t *num_iter_out,            /* 24 iterations of the selected fit */
    uint8_t *converged_out,           /* 25 0xFF when the selected fit converged */
    uint8_t *at_max_lambda,           /* 26 selected lambda at the large end of the grid */
    uint8_t *at_min_lambda,           /* 27 selected lambda at the small end of the grid */
    uint8_t *error_flag,              /* 28 0 success, 0xFF failure */
    int32_t msg_len,                  /* 29 number of elements of message_codes */
    int32_t *message_codes);          /* 30 message text on failure */

#ifdef __cplusplus
}
#endif

#endif /* QUILL_RUNSCAD_H */
