// Mean vector and variance weights of the normal, logistic and Poisson models, with the
// numerical guards that keep the logistic ones finite and its weights away from zero. The guards
// (the logistic exponential held at 1e10 beyond ln 1e10, 1 + 1e-11 in the logistic mean, 1e-10
// and 1 + 1e-10 in the logistic weight) are part of the results. The Poisson mean is e^eta up to
// overflow.
#pragma once

#include "records/scad_session.h"

namespace quill::engine {

// mu from the linear predictor x beta + offset (offset: x.rows known terms, or null for none).
int scad_calculate_mu(matrix_cview x, vector_cview beta, int32_t model_type, vector_view mu,
                      error_trail& trail, const double* offset = nullptr);
// The same in the caller's scratch arrays for the list of the columns used (x.cols entries
// each), for callers that form many means.
int scad_calculate_mu(matrix_cview x, vector_cview beta, int32_t model_type, vector_view mu,
                      int1& columns, dbl1& coefficients, error_trail& trail,
                      const double* offset = nullptr);

// The session's offset for the means: the logistic and Poisson models' known terms of the
// linear predictor, or null (none given, or the normal model, whose response has it removed).
inline const double* mean_offset(const scad_dataset& ds) {
    return ds.offset.allocated() ? ds.offset.data() : nullptr;
}

int scad_calculate_fitweights(vector_cview mu, vector_view weights, int32_t model_type,
                              error_trail& trail);

// For the fit passes that form the mean where they need it: the means of m observations from
// their linear predictors, in place (the normal model's mean is its linear predictor), and the
// logistic variance weight of one mean.
void mean_from_linear_predictor(int32_t model_type, double* values, int m);
// The same for the logistic and Poisson fit passes, which also need the case-weighted sum of the
// observations' negative log-likelihood terms that depend on the coefficients, returned:
// Poisson w (mu - y eta), logistic w (ln(1 + e^eta) - y eta); `unit_weights` says that every w
// is 1. The means are the bits of mean_from_linear_predictor; without `means` the values stay the
// linear predictors (the loss alone is wanted).
double mean_and_loss(int32_t model_type, double* values, const double* y, const double* w,
                     bool unit_weights, int m, bool means = true);
inline double logistic_weight(double mu) { return (mu + 1e-10) * (1.0000000001 - mu); }

// An observation's deviance at the linear predictor eta (the offset included): the one measure
// of lack of fit of the cross-validation's held-out rows and the descent path's saturation stop.
// The selection criteria use -2 log-likelihood at the means instead, the fit's own term.
double family_deviance(int32_t model_type, double y, double eta);

}  // namespace quill::engine
