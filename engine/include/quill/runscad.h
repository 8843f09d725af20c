/*
 * The entries of the Quill estimation engine (libquill): quill_fit, which takes its inputs and
 * controls in structs and fills a result struct, and runscad and runscad_path, the positional
 * entries of the same fit (runscad_path also returns the whole lambda path).
 *
 * runscad fits a SCAD-penalized normal, logistic or Poisson regression over a grid of lambda
 * values, selects lambda by BIC or GCV and returns the fit on the scale of the input data.
 * Every array is owned by the caller; matrices are column-major. On failure *error_flag is
 * 0xFF and message_codes holds the message, one character code per element, lines separated by
 * carriage return and line feed, terminated by a 0 element. Nothing is kept between calls and
 * the functions are not re-entrant. A call uses every core the process may run on, limited to
 * N threads by a thread limit in the option vector or else by the environment variable
 * QUILL_THREADS set to a whole number N (any other value is ignored). The results do not
 * depend on the number of threads. Unless the option vector asks for silence, a call writes
 * trace lines (the names of the session resets) to standard output; it never writes to
 * standard error.
 */
#ifndef QUILL_RUNSCAD_H
#define QUILL_RUNSCAD_H

#include <stddef.h>
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
    QUILL_OPT_SELECTION = 1,      /* 0 BIC, 1 GCV, 2 EBIC (gamma 0.5; quill_fit: ebic_gamma);
                                     3 CV through quill_fit only */
    QUILL_OPT_DFFORMULA = 2,      /* 0 COUNT, 1 PROJECTION */
    QUILL_OPT_GRID_SIZE = 3,      /* 1 to QUILL_MAX_GRID_SIZE */
    QUILL_OPT_MAX_ITER = 4,       /* 1 or more */
    QUILL_OPT_ROBUST = 5,         /* > 0: robust (sandwich) standard errors, every model */
    QUILL_OPT_START = 6,          /* bits 0-7, where each grid fit starts: 0 the unpenalized
                                     fit, 1 the fit at the previous grid value (faster);
                                     the bits above hold the call's controls, below */
    QUILL_OPT_INTERCEPT_MODE = 7  /* 0 intercept, 1 center y, 2 no intercept */
};

/* The values of the options above, by name. */
enum {
    QUILL_ALGORITHM_LQA = 0, QUILL_ALGORITHM_ICM = 1,
    QUILL_SELECTION_BIC = 0, QUILL_SELECTION_GCV = 1, QUILL_SELECTION_EBIC = 2,
    QUILL_SELECTION_CV = 3,
    QUILL_CV_RULE_MIN = 0, QUILL_CV_RULE_1SE = 1,
    QUILL_DF_COUNT = 0, QUILL_DF_PROJECTION = 1,
    QUILL_START_UNPENALIZED = 0, QUILL_START_PREVIOUS = 1,
    QUILL_INTERCEPT_FITTED = 0, QUILL_INTERCEPT_CENTRE_Y = 1, QUILL_INTERCEPT_OMITTED = 2,
    QUILL_PENALTY_SCAD = 0, QUILL_PENALTY_MCP = 1, QUILL_PENALTY_LASSO = 2
};

/*
 * Why ALGORITHM ICM's descent path (an intercept, or a logistic or Poisson model) stopped above
 * the bottom of the grid (quill_fit_result.path_stop). The fit where it stopped is not reported:
 * its lambda and those below it are not fitted, and the selection never sees them.
 */
enum {
    QUILL_PATH_STOP_NONE = 0,      /* the path reached the bottom of the grid */
    QUILL_PATH_STOP_NONZERO = 1,   /* a fit had n - 1 nonzero penalized coefficients */
    QUILL_PATH_STOP_DEVIANCE = 2,  /* a fit explained more than 99.9 % of the null deviance */
    QUILL_PATH_STOP_DIVERGED = 3   /* a logistic or Poisson fit did not converge within
                                      MAXITER sweeps: the objective kept falling as the
                                      coefficients grew, as when the data separate */
};

/*
 * Controls of the call, added to the start rule in option_vector[QUILL_OPT_START]. With none
 * (the element 0 or 1) a call behaves as it always has. Bits 9-15 and the sign bit are
 * reserved: a value with any of them set is refused as an invalid start rule.
 *   QUILL_CONTROL_QUIET       no trace lines on standard output
 *   QUILL_CONTROL_THREADS(N)  at most N threads, N from 1 to QUILL_MAX_THREAD_LIMIT (a limit
 *                             above the number of cores means every core); QUILL_THREADS is
 *                             then not read. Without it (bits 16-30 zero): every core,
 *                             limited by QUILL_THREADS.
 * Example: option_vector[QUILL_OPT_START] = 1 | QUILL_CONTROL_QUIET | QUILL_CONTROL_THREADS(4);
 */
#define QUILL_START_RULE_MASK 0xFF
#define QUILL_CONTROL_QUIET 0x100
#define QUILL_CONTROL_THREADS_SHIFT 16
#define QUILL_MAX_THREAD_LIMIT 32767
#define QUILL_CONTROL_THREADS(n) ((int32_t)(n) << QUILL_CONTROL_THREADS_SHIFT)

/* The largest grid (G) a call accepts. */
#define QUILL_MAX_GRID_SIZE 1000

/* The projection formula for df (QUILL_DF_PROJECTION) is for small problems: a call with more
   design columns or more observations than these is refused. */
#define QUILL_MAX_PROJECTION_COLUMNS 100
#define QUILL_MAX_PROJECTION_ROWS 1000

/*
 * ICM. For the normal model without an intercept column (intercept_mode 1 or 2) ICM is the sweep
 * of iterated conditional modes on the cross-product, from the unpenalized fit, as it always was.
 * For every other case (an intercept column, or the logistic and Poisson models) ICM is the
 * descent path: pathwise coordinate descent on the standardized columns, from the top of the grid
 * down, each grid value started from the fit above it (the start rule is not read), minimizing the
 * objective of the LQA fit, loss/n + sum_j p_lambda(|b_j|); no unpenalized fit is needed, so p may
 * be n or more. Its grid (unless given) is log-spaced from lambda_max = max |x_j'W0(y - mu0)| / n
 * over the penalized columns (mu0 the fit of the intercept, the forced-in columns and the offset;
 * max_lambda -2 asks for the same) down to 0.001 lambda_max (0.05 lambda_max when p >= n). The
 * path stops where the model saturates (n - 1 nonzero columns, or more than 99.9 % of the null
 * deviance explained): the grid values below the stop are not fitted (the table's `fitted` is 0
 * there). max_iter bounds the sweeps of each grid value's fit.
 */

/* Model types. */
enum { QUILL_MODEL_NORMAL = 0, QUILL_MODEL_LOGISTIC = 1, QUILL_MODEL_POISSON = 2 };

/*
 * max_lambda on entry: -1.0 lets the engine choose the grid's top by its default rule, -2.0
 * extends the grid to the full path: its top is the smallest lambda (found by fitting) at which
 * the fit started from the unpenalized fit sets every penalized coefficient to 0, at least
 * max |b_j| / a (b the unpenalized fit, standardized design), so that every penalized
 * coefficient is in the penalty's reach, and at least max |x_j'(y - mu0)| / n (mu0 the fit of
 * the intercept and the forced-in columns alone), where the all-zero fit is stationary. Neither
 * is a given value: the response's units do not scale them. A grid of one value has no top.
 */
#define QUILL_MAX_LAMBDA_AUTOMATIC (-1.0)
#define QUILL_MAX_LAMBDA_FULL (-2.0)

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
    double *max_lambda,               /* 11 in: -1.0 = automatic, -2.0 = full path (above);
                                               out: last grid value */
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
    int32_t *num_iter_out,            /* 24 iterations of the selected fit (at most max_iter) */
    uint8_t *converged_out,           /* 25 0xFF when the selected fit converged */
    uint8_t *at_max_lambda,           /* 26 larger lambdas could change the selection (below) */
    uint8_t *at_min_lambda,           /* 27 smaller lambdas could change the selection (below) */
    uint8_t *error_flag,              /* 28 0 success, 0xFF failure */
    int32_t msg_len,                  /* 29 number of elements of message_codes */
    int32_t *message_codes);          /* 30 message text on failure */

/*
 * Selection: the selected grid value is the first whose criterion is at most
 * min + 1e-10 * max(|min|, 1), min the smallest criterion: grid values that give one fit differ
 * only by rounding, and the smallest such lambda is reported whatever the order of the rows.
 * Boundary flags:
 *   at_max_lambda  the criteria from the selected grid value to the last are all within that
 *                  tie limit and every grid value was fitted, unless every coefficient is
 *                  forced in, zero or beyond 3 standard errors;
 *   at_min_lambda  every penalized coefficient is 0 at the first grid value, or the first grid
 *                  value is selected and one of its penalized coefficients is nonzero but below
 *                  a * lambda on the standardized scale (still shrunk).
 * A coefficient reported as 0 has the standard error 0.
 */

/*
 * The whole lambda path of one fit, one entry per grid value in grid order. Every member points
 * to G elements owned by the caller (G = grid_size); a null member is not written. Where a
 * quantity does not exist (a grid value after the early stop, GCV of a logistic or Poisson
 * model, the effective df under the COUNT formula) a double holds NaN.
 * Members are only ever added at the end: a caller that sets the struct to zeros before naming
 * its members (C: = {0}; C++: {} or designated initializers) leaves the later ones null and
 * keeps the results it had.
 */
typedef struct quill_grid_table {
    double *lambda;         /* the grid value */
    double *intercept;      /* intercept on the input scale; 0 where not fitted */
    double *bic;            /* BIC */
    double *aic;            /* AIC */
    double *gcv;            /* GCV (normal model only) */
    double *effective_df;   /* effective number of parameters (PROJECTION only) */
    int32_t *simple_df;     /* nonzero coefficients, the intercept included; 0 where not fitted */
    int32_t *num_iter;      /* passes of the fit; 0 where not fitted */
    uint8_t *converged;     /* 0xFF when the fit converged, else 0 */
    uint8_t *fitted;        /* 0xFF when the grid value was fitted, 0 after the early stop */
    uint8_t *tied;          /* 0xFF when its criterion ties with the selected one (the limit
                               above) and it has the same nonzero coefficients, else 0; the
                               selected grid value is tied */
    double *ebic;           /* extended BIC: BIC + 2 gamma ln C(m, k), m the penalized design
                               columns, k the nonzero ones (gamma 0.5 for runscad_path, the
                               controls' ebic_gamma for quill_fit) */
    double *cv_error;       /* cross-validation error (below); written only by quill_fit under
                               QUILL_SELECTION_CV, never read otherwise */
    double *cv_se;          /* its standard error across the folds; the same */
    uint8_t *cv_min;        /* 0xFF at the grid value QUILL_CV_RULE_MIN selects, else 0; the */
    uint8_t *cv_1se;        /* same for QUILL_CV_RULE_1SE: both written whichever rule the
                               call selects by, so that a caller can show the other one */
    double *refit_criterion; /* written only by quill_fit with controls.refit: the selection's
                               criterion of the grid value's nonzero set refitted without
                               penalty; NaN where not fitted or where the set has no such fit
                               (singular, saturated, or the fit diverges) */
} quill_grid_table;

/*
 * runscad with the per-grid table: the same 30 arguments with the same meaning and results,
 * then the table to fill. A null table gives exactly runscad. The table is written only on
 * success.
 */
QUILL_EXPORT void runscad_path(
    int32_t p, int32_t n, const double *raw_x, const double *y_vec,
    const double *case_weights_vec, const uint8_t *forcein_vec, const int32_t *option_vector,
    int32_t grid_size, double tolerance, double *min_lambda, double *max_lambda,
    int32_t model_type, double a, double *beta_out, double *intercept_out, double *se_out,
    double *intercept_se_out, double *beta_path_out, double *lambda_out, double *criterion_out,
    int32_t *simple_df_out, int32_t *df_out, int32_t *best_index_out, int32_t *num_iter_out,
    uint8_t *converged_out, uint8_t *at_max_lambda, uint8_t *at_min_lambda, uint8_t *error_flag,
    int32_t msg_len, int32_t *message_codes, const quill_grid_table *table);

/*
 * The struct entry. quill_fit does what runscad_path does, its inputs and controls named in
 * structs instead of 31 positional arguments, and adds what they cannot carry (case weights, the
 * number of threads and the trace-line switch as members of their own).
 *
 * Each struct starts with its size: set it to sizeof the struct as your header declares it.
 * Members are only ever added at the end. A library newer than the caller's header gives the
 * members it does not see their defaults (documented with each, and always what a caller of the
 * older header got); a library older than the header accepts the larger struct when every byte
 * it does not know is zero, and refuses the call otherwise, so that a request it cannot honour
 * is never ignored. A size below the first published one is refused.
 *
 * Returns 0 on success. On failure it returns -1 and, when the result struct can be written,
 * result->error_flag is 0xFF and result->message_codes holds the message as with runscad;
 * a null or undersized result struct, or one without a message array, gets nothing written.
 */
typedef struct quill_fit_data {
    size_t size;              /* sizeof(quill_fit_data) */
    int32_t p;                /* number of design columns */
    int32_t n;                /* number of observations */
    const double *x;          /* n x p design, column-major */
    const double *y;          /* response [n] */
    const uint8_t *forcein;   /* 1 = forced in (never penalized), 0 = penalized [p] */
    const double *weights;    /* case weights [n], finite and >= 0, or NULL: every weight 1 */
    const double *offset;     /* known terms of the linear predictor [n], finite, or NULL */
    const int32_t *folds;     /* fold ids [n], 1 to k, for QUILL_SELECTION_CV, or NULL: folds
                                 drawn from cv_seed (below); refused under any other selection */
} quill_fit_data;

/*
 * The offset: eta = intercept + x beta + offset (for a Poisson rate model, offset = ln(exposure)).
 * The normal model fits the response less the offset. It enters the unpenalized fit, every grid
 * fit, the means, the criteria and the covariance; the coefficients and the intercept are those of
 * eta less the offset, so a prediction adds the observation's offset to intercept + x beta.
 */

/*
 * Case weights are frequency weights: an observation of weight w counts as w identical
 * observations in the likelihood, the penalty's n, the standardization of the design, the
 * criteria and the covariance, so whole-number weights give exactly the fit of the data with each
 * row repeated w times (same grid, selected lambda, coefficients, criteria and standard errors).
 * Every count of observations in a formula is then the sum of the weights; in particular the
 * normal model's sigma^2 is sum w (y - mu)^2 / (sum w - k), k the nonzero coefficients with the
 * intercept. A weight of 0 leaves its observation out; the sum must exceed 1.
 */

/*
 * Progress of a call (quill_fit_controls.progress). A path of many grid values on a large or wide
 * design can take minutes or hours; the call says where it is, so that its caller can tell the
 * user. The library fills a quill_fit_progress and hands it to the callback as every fit starts
 * (passes 0) and as each of its passes starts, and once more when a fit ends with passes the
 * reports have not shown (the descent path reports its sweeps where a full sweep starts). It reads
 * no clock: when to tell the user is the caller's decision.
 *
 * The callback runs on the thread that called quill_fit, never on a worker thread, and never while
 * the workers are busy; the struct is valid for the callback's duration only. It must return: it
 * must not call quill_fit, runscad or runscad_path (the library is not re-entrant), nor leave by
 * an exception or a longjmp. It runs between passes that may last microseconds, so it should do
 * little more than read a clock. The results are the same bits with or without it.
 */
enum {
    QUILL_PROGRESS_START = 0,     /* the fit every grid fit starts from: the unpenalized fit (LQA),
                                     the fit of the intercept and the forced-in columns alone
                                     (ICM's descent path) */
    QUILL_PROGRESS_GRID_TOP = 1,  /* the fits that find the top of a full-path grid (max_lambda
                                     -2), at candidate values of lambda */
    QUILL_PROGRESS_GRID = 2,      /* the fits of the grid values */
    QUILL_PROGRESS_REFIT = 3      /* REFIT: the refits of the path's nonzero sets without penalty */
};

typedef struct quill_fit_progress {
    size_t size;           /* sizeof(quill_fit_progress) as the library declares it: a member
                              that ends beyond it is not there (members are only ever added at
                              the end) */
    int32_t stage;         /* a QUILL_PROGRESS_ code */
    int32_t fold;          /* QUILL_SELECTION_CV: the fold left out, 1 to folds, while the path is
                              fitted without it; 0 while the full data are fitted (and always
                              under any other selection) */
    int32_t folds;         /* QUILL_SELECTION_CV: k, once the folds are drawn; else 0 */
    int32_t grid_value;    /* QUILL_PROGRESS_GRID: the grid value's place in the order the fits
                              run, 1 to grid_size (LQA and ICM's sweep fit from the smallest lambda
                              up, the descent path from the largest down; either may end early);
                              QUILL_PROGRESS_REFIT: the 1-based grid index of the fit refitted;
                              else 0 */
    int32_t grid_size;     /* G */
    double lambda;         /* lambda in the units of the response: the grid value (a refit's:
                              the one whose nonzero set it refits), or the candidate top; 0 for
                              the start */
    int32_t passes;        /* passes of the fit so far, the one under way included (ICM: sweeps;
                              a refit: Newton steps); 0 as it starts */
    int32_t max_passes;    /* the most the fit may run: max_iter, max(max_iter, 1000) for the
                              start, the refit's own limit for a refit; 0 for a fit without
                              passes (the normal model's unpenalized fit, by least squares) */
    int64_t total_passes;  /* passes of every fit of the call so far, every fold included */
} quill_fit_progress;

typedef void (*quill_progress_callback)(void *context, const quill_fit_progress *progress);

typedef struct quill_fit_controls {
    size_t size;              /* sizeof(quill_fit_controls) */
    int32_t model_type;       /* QUILL_MODEL_NORMAL, _LOGISTIC or _POISSON */
    int32_t algorithm;        /* QUILL_ALGORITHM_LQA or _ICM */
    int32_t selection;        /* QUILL_SELECTION_BIC, _GCV or _EBIC */
    int32_t dfformula;        /* QUILL_DF_COUNT or _PROJECTION */
    int32_t grid_size;        /* G, 1 to QUILL_MAX_GRID_SIZE */
    int32_t max_iter;         /* 1 or more */
    int32_t robust;           /* > 0: robust standard errors */
    int32_t start;            /* QUILL_START_UNPENALIZED or _PREVIOUS (nothing packed above) */
    int32_t intercept_mode;   /* QUILL_INTERCEPT_FITTED, _CENTRE_Y or _OMITTED */
    int32_t threads;          /* at most this many threads, 1 to QUILL_MAX_THREAD_LIMIT;
                                 0: every core, limited by QUILL_THREADS as for runscad */
    int32_t trace;            /* nonzero: write the trace lines to standard output;
                                 0: silent */
    double tolerance;         /* convergence tolerance */
    double a;                 /* SCAD shape constant; MCP's gamma (penalty, below) */
    double min_lambda;        /* first grid value, or QUILL_MAX_LAMBDA_AUTOMATIC (-1.0) */
    double max_lambda;        /* last grid value, QUILL_MAX_LAMBDA_AUTOMATIC or _FULL */
    double ebic_gamma;        /* EBIC's gamma, 0 to 1 (0: EBIC is BIC; the usual 0.5) */
    /* Read only under QUILL_SELECTION_CV: */
    int32_t cv_folds;         /* k, 2 to the observations of positive weight; 0: 10 (at most
                                 the observations), or with fold ids the largest id */
    int32_t cv_rule;          /* QUILL_CV_RULE_MIN or _1SE */
    uint64_t cv_seed;         /* the seed of the folds drawn when no fold ids are given */
    int32_t refit;            /* nonzero: select on refits (SELECTION ... / REFIT): each distinct
                                 nonzero set of the path is refitted without penalty (with the
                                 intercept and the forced-in columns), the criterion of
                                 `selection` is taken on the refits, and the result is the
                                 refit at the selected set, its standard errors those of that
                                 unpenalized fit. Not with QUILL_SELECTION_CV. 0: as before */
    int32_t penalty;          /* QUILL_PENALTY_SCAD (default: also for a caller whose struct
                                 ends before this member), _MCP or _LASSO (below) */
    quill_progress_callback progress;  /* told where the call is (above); NULL: never called
                                          (the default, also for a caller whose struct ends
                                          before this member) */
    void *progress_context;   /* handed to progress as it is */
} quill_fit_controls;

/*
 * The penalty p(b) of a coefficient b >= 0 on the standardized scale, for lambda > 0 (runscad
 * and runscad_path always fit SCAD):
 *   SCAD   lambda b up to lambda; (2 a lambda b - b^2 - lambda^2) / (2 (a - 1)) up to a lambda;
 *          (a + 1) lambda^2 / 2 beyond. controls.a > 2 (3.7 is the usual shape).
 *   MCP    lambda b - b^2 / (2 a) up to a lambda; a lambda^2 / 2 beyond: controls.a is MCP's
 *          gamma, > 1 (3 is the usual one).
 *   LASSO  lambda b, at every size: controls.a is not read.
 * Everything said of SCAD above holds for each, with its own reach: a coefficient at least
 * a lambda in size is not shrunk under SCAD and MCP, while the lasso shrinks every nonzero one.
 * So under LASSO max_lambda -2 (the full path) is max |x_j'W0(y - mu0)| / n, where the all-zero
 * fit is the minimum (the bound max |b_j| / a does not apply), confirmed by fitting as for the
 * others; and at_min_lambda's "still shrunk" asks only that a selected penalized coefficient
 * moved from the unpenalized fit by more than half its standard error.
 */

/*
 * The caller sets size, the array pointers, msg_len and message_codes; the call writes the
 * arrays and every member from intercept on. beta and se have p elements, beta_path G x p
 * (column-major; it may be null when G is 0); table may be null (no per-grid table).
 */
typedef struct quill_fit_result {
    size_t size;                    /* sizeof(quill_fit_result) */
    double *beta;                   /* coefficients [p] */
    double *se;                     /* standard errors [p] */
    double *beta_path;              /* coefficient path, G x p, column-major */
    const quill_grid_table *table;  /* the per-grid table to fill, or NULL */
    int32_t msg_len;                /* number of elements of message_codes */
    int32_t *message_codes;         /* message text on failure, as with runscad */
    double intercept;               /* intercept */
    double intercept_se;            /* standard error of the intercept */
    double min_lambda;              /* first grid value */
    double max_lambda;              /* last grid value */
    double lambda;                  /* selected lambda */
    double criterion;               /* BIC, GCV or EBIC at the selected lambda */
    int32_t simple_df;              /* nonzero coefficients at the selected lambda */
    int32_t df;                     /* effective df at the selected lambda (truncated) */
    int32_t best_index;             /* 1-based grid index of the selected lambda */
    int32_t num_iter;               /* iterations of the selected fit */
    uint8_t converged;              /* 0xFF when the selected fit converged */
    uint8_t at_max_lambda;          /* as runscad's flags (above) */
    uint8_t at_min_lambda;
    uint8_t error_flag;             /* 0 success, 0xFF failure */
    double cv_se;                   /* QUILL_SELECTION_CV: the standard error of the CV error
                                       at the selected lambda (criterion holds the error);
                                       else NaN */
    int32_t cv_folds;               /* QUILL_SELECTION_CV: the folds k; else 0 */
    uint8_t *aliased;               /* [p] or NULL: when the call fails because design columns
                                       are exact linear combinations of the intercept and the
                                       columns before them, 0xFF for each such column (else 0) */
    int32_t path_stop;              /* a QUILL_PATH_STOP_ code (above) */
    int32_t path_stop_index;        /* 1-based grid index of the fit where the path stopped;
                                       0 when it did not */
} quill_fit_result;

/*
 * Cross-validation (controls.selection = QUILL_SELECTION_CV). The grid is the full data's grid.
 * For each fold j the path is fitted on the observations outside fold j, with the same start
 * rule and at the same grid values, and each grid value's fit predicts the held-out
 * observations (a grid value past a fold's early stop takes that fold's last fit, where every
 * penalized coefficient is 0). The held-out loss of an observation is its deviance: normal
 * (y - mu)^2, logistic -2 [y ln mu + (1 - y) ln(1 - mu)] plus the same terms at mu = y (0 for a
 * 0/1 response), Poisson 2 [y ln(y / mu) - (y - mu)]. With W_j the weight of fold j (the sum of
 * its case weights; its size without weights) and e_j its weighted mean loss:
 *   cv_error = sum_j W_j e_j / sum_j W_j   (the weighted mean loss over every observation)
 *   cv_se    = sqrt( sum_j W_j (e_j - cv_error)^2 / sum_j W_j / (k - 1) )
 * which for folds of one weight is the standard deviation of the e_j over sqrt(k).
 * Among the grid values the full data's path fitted, QUILL_CV_RULE_MIN selects the least
 * cv_error (ties as for the criteria, above), QUILL_CV_RULE_1SE the largest lambda whose
 * cv_error is at most that least one plus its cv_se. The result is the full data's fit at that
 * lambda with its standard errors; criterion is its cv_error; the table's tied and the boundary
 * flags are read on cv_error.
 * The folds: with fold ids, fold j is the observations whose id is j, every id from 1 to the
 * largest must hold an observation of positive weight, and an observation of weight 0 is in no
 * fold. Without, the m observations of positive weight (in order of their index) are shuffled by
 * Fisher-Yates driven by splitmix64 seeded with cv_seed: for i = m - 1 down to 1, draw the next
 * 64-bit value u and swap positions i and u mod (i + 1); the observation at position t goes to
 * fold (t mod k) + 1. The same seed gives the same folds on every machine.
 * Cost: a k-fold call fits k + 1 paths, the folds one after the other, each with the call's
 * threads (started once), and computes the covariance only for the full data's selected fit;
 * trace lines are written for each path.
 */
QUILL_EXPORT int32_t quill_fit(const quill_fit_data *data, const quill_fit_controls *controls,
                               quill_fit_result *result);

#ifdef __cplusplus
}
#endif

#endif /* QUILL_RUNSCAD_H */
