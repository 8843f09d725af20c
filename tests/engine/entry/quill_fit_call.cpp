#include "quill_fit_call.h"

namespace quill::engine::testing_support {

quill_fit_call::quill_fit_call(int32_t n_, int32_t p_, std::vector<double> x_,
                               std::vector<double> y_, int32_t model_type, int32_t grid_size)
    : n(n_), p(p_), x(std::move(x_)), y(std::move(y_)), forcein(p_, 0) {
    controls.size = sizeof controls;
    controls.model_type = model_type;
    controls.dfformula = QUILL_DF_PROJECTION;
    controls.grid_size = grid_size;
    controls.max_iter = 1000;
    controls.threads = 1;
    controls.tolerance = 1e-11;
    controls.a = 3.7;
    controls.min_lambda = QUILL_MAX_LAMBDA_AUTOMATIC;
    controls.max_lambda = QUILL_MAX_LAMBDA_AUTOMATIC;
}

void quill_fit_call::run() {
    const std::size_t G = static_cast<std::size_t>(controls.grid_size);
    beta.assign(p, -99.0);
    se.assign(p, -99.0);
    path.assign(G * p, -99.0);
    for (auto* v : {&lambda, &intercept, &bic, &aic, &gcv, &effective_df, &cv_error, &cv_se,
                    &refit})
        v->assign(G, -99.0);
    simple_df.assign(G, -99);
    num_iter.assign(G, -99);
    fitted.assign(G, 7);
    tied.assign(G, 7);
    converged.assign(G, 7);
    cv_min.assign(G, 7);
    cv_1se.assign(G, 7);
    message.assign(3001, 0);
    quill_fit_data data{};
    data.size = sizeof data;
    data.p = p;
    data.n = n;
    data.x = x.data();
    data.y = y.data();
    data.forcein = forcein.data();
    data.weights = weights.empty() ? nullptr : weights.data();
    data.offset = offset.empty() ? nullptr : offset.data();
    data.folds = folds.empty() ? nullptr : folds.data();
    quill_grid_table table{};
    table.lambda = lambda.data();
    table.intercept = intercept.data();
    table.bic = bic.data();
    table.aic = aic.data();
    table.gcv = gcv.data();
    table.effective_df = effective_df.data();
    table.simple_df = simple_df.data();
    table.num_iter = num_iter.data();
    table.fitted = fitted.data();
    table.tied = tied.data();
    table.converged = converged.data();
    if (ebic) table.ebic = ebic->data();
    table.cv_error = cv_error.data();
    table.cv_se = cv_se.data();
    table.cv_min = cv_min.data();
    table.cv_1se = cv_1se.data();
    table.refit_criterion = refit.data();
    result = quill_fit_result{};
    result.size = sizeof result;
    result.beta = beta.data();
    result.se = se.data();
    result.beta_path = path.data();
    result.table = &table;
    result.msg_len = static_cast<int32_t>(message.size());
    result.message_codes = message.data();
    result.aliased = aliased.empty() ? nullptr : aliased.data();
    status = quill_fit(&data, &controls, &result);
    result.table = nullptr;
}

std::string quill_fit_call::text() const {
    std::string s;
    for (int32_t c : message) {
        if (c == 0) break;
        s += static_cast<char>(c);
    }
    return s;
}

}  // namespace quill::engine::testing_support
