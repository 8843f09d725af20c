// The engine's state for one runscad call: settings, the loaded dataset, the initial fit, the
// lambda grid and the two result sets. Every array belongs to the session; each sub-record but
// the settings carries an is_null flag that stays true until the operation filling it succeeds.
#pragma once

#include <cstdint>

#include "support/engine_array.h"
#include "support/error_trail.h"

namespace quill::engine {

struct scad_settings {
    int32_t algorithm = 0;       // 0 LQA, 1 ICM
    int32_t selection = 0;       // 0 BIC, 1 GCV, 2 EBIC
    int32_t dfformula = 0;       // 0 COUNT, 1 PROJECTION
    int32_t grid_size = 250;
    int32_t max_iter = 250;
    int32_t model_type = 0;      // 0 normal, 1 logistic, 2 Poisson
    int32_t model_based_se = 0;  // 1 model-based, 0 robust
    int32_t start = 0;           // grid fits start from: 0 the initial fit, 1 the previous fit
    double tolerance = 1e-9;
    double threshold = 1e-4;
    double final_threshold = 0.005;
    int32_t penalty = 0;         // 0 SCAD, 1 MCP, 2 lasso
    double a = 3.7;              // SCAD's shape; MCP's gamma
    double ebic_gamma = 0.5;     // EBIC = BIC + 2 gamma ln C(penalized columns, nonzero ones)
    bool refit = false;          // select on the unpenalized refits of the path's nonzero sets
    double min_lambda = -1.0;    // -1.0: automatic
    double max_lambda = -1.0;    // also max_lambda_full: up to where every penalized coefficient is 0
    bool omit_intercept = false;
    bool full_likelihood = true;
    bool center_y = false;
};

// The design itself is not kept: the standardized x is the one copy the fits need.
struct scad_dataset {
    dbl1 y;              // response (centred when center_y)
    dbl2 x;              // n x p' standardized design; with an intercept, column 1 is all 1.0
    dbl1 case_weights;   // n
    dbl1 offset;         // n known terms of the linear predictor (logistic and Poisson only);
                         // unallocated when there are none
    dbl2 xtx;            // p' x p' weighted cross-product of x
    dbl1 xty;            // p' weighted cross-product of x and y
    dbl1 x_center;       // p column means of the design
    dbl1 x_scale;        // p column variances of the design (divisor n - 1)
    double y_mean = 0.0;
    double y_spread = 0.0;
    // Frequency weights: an observation of weight w counts as w identical ones, so every count
    // of observations in a formula is weight_sum (n when every weight is 1, and then
    // `weighted` is false and the unweighted forms of the sums are used).
    double weight_sum = 0.0;
    bool weighted = false;
    log1 forcein;        // p
    int32_t n = 0;
    int32_t p = 0;
    bool is_null = true;
};

struct scad_initialfit {
    dbl1 beta;           // p' standardized coefficients, intercept first when present
    dbl1 mu;             // n fitted means
    double sigma2 = -1.0;
    bool is_null = true;
    bool singular = false;
};

struct scad_Lgrid {
    dbl1 lambda;         // G values, smallest first
    bool is_null = true;
};

struct scad_stdresults {
    dbl2 betas;          // G x q path
    // The covariance at the selected grid value on its support: cov_mat is k x k over the k
    // nonzero coefficients whose positions (1 to q, ascending) cov_index holds; every other
    // coefficient has none. A wide path's fit keeps few, and q x q would be q^2 doubles.
    dbl2 cov_mat;
    int1 cov_index;
    dbl1 beta;           // q at the selected grid value
    dbl1 se;             // q
    dbl1 gcv;            // G
    dbl1 aic;            // G
    dbl1 bic;            // G
    dbl1 ebic;           // G
    dbl1 refit_criterion;  // G, with refit: the selection's criterion of each fit's refit
    dbl1 df_proj;        // G
    double sigma2 = -1.0;
    int1 simple_df;      // G
    int32_t num_iter = 0;
    int32_t best = -1;
    int32_t converged = 0;  // 0 false, -1 true
    int1 grid_iter;         // G: passes of the fit at each grid value; 1 where not fitted
    int1 grid_converged;    // G: its convergence flag (0 false, -1 true); -1 where not fitted
    int32_t fitted = 0;     // grid values fitted, from the first, before the early stop
    int32_t first_fitted = 1;  // the first fitted: above 1 when the descent path stopped early
    int32_t path_stop = 0;     // why it stopped (QUILL_PATH_STOP_), and the grid value where
    int32_t path_stop_index = 0;
    // The selection's ties: per grid value -1 where the criterion is within the tie limit and
    // the nonzero set is the selected one's, else 0; the last grid value of the unbroken run of
    // criteria within the tie limit from `best` on; and whether a selected penalized
    // coefficient is still shrunk by the penalty: nonzero, within its reach (a * lambda; any size
    // for the lasso) and more than half a
    // standard error from the unpenalized fit.
    int1 tied;              // G
    int32_t tie_run_end = 0;
    bool selected_shrunk = false;
    bool is_null = true;
};

struct scad_unstdresults {
    dbl1 beta;           // p, input scale
    dbl1 se;             // p
    dbl2 betas;          // G x (p + 1), intercept path first
    double intercept = 0.0;
    double intercept_se = 0.0;
    bool is_null = true;
};

struct scad_session {
    scad_settings settings;
    scad_dataset dataset;
    scad_initialfit initialfit;
    scad_Lgrid Lgrid;
    scad_stdresults stdresults;
    scad_unstdresults unstdresults;
    bool is_null = true;
    int32_t state = 0;
};

// The standardized design has an intercept column unless the intercept is omitted or y centred.
inline bool has_intercept_column(const scad_settings& s) { return !s.omit_intercept && !s.center_y; }

// Resets: each writes its own name as a trace line when it starts (unless the call is silent).
void nullify_scad_settings(scad_settings& settings);
int nullify_scad_session(scad_session& session, error_trail& trail);
int nullify_scad_dataset(scad_dataset& dataset, error_trail& trail);
int nullify_scad_initialfit(scad_initialfit& initialfit, error_trail& trail);
int nullify_scad_Lgrid(scad_Lgrid& grid, error_trail& trail);
int nullify_scad_stdresults(scad_stdresults& results, error_trail& trail);
int nullify_scad_unstdresults(scad_unstdresults& results, error_trail& trail);

}  // namespace quill::engine
