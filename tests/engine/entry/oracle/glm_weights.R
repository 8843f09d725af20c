# Writes glm_weights.inc: a small data set with case weights and R's glm(weights = w) fit of the
# normal, logistic and Poisson models (coefficients and model-based standard errors), and the
# unweighted glm fit with its HC0 sandwich standard errors (sandwich::sandwich), for
# quill_fit_oracle_test.cpp.
# Run once, here: Rscript glm_weights.R   (needs R and the sandwich package)
library(sandwich)
set.seed(20261208)
n <- 40
x1 <- round(rnorm(n), 3)
x2 <- round(rnorm(n), 3)
w <- sample(1:4, n, replace = TRUE)
eta <- 0.4 + 0.7 * x1 - 0.5 * x2
y_normal <- round(eta + rnorm(n, sd = 0.8), 3)
y_logistic <- rbinom(n, 1, plogis(eta))
y_poisson <- rpois(n, exp(eta))
# Converged to the last digits, so that the values are the maximum-likelihood ones.
tight <- glm.control(epsilon = 1e-15, maxit = 200)
fits <- list(
  normal = glm(y_normal ~ x1 + x2, family = gaussian, weights = w, control = tight),
  logistic = glm(y_logistic ~ x1 + x2, family = binomial, weights = w, control = tight),
  poisson = glm(y_poisson ~ x1 + x2, family = poisson, weights = w, control = tight))
unweighted <- list(
  normal = glm(y_normal ~ x1 + x2, family = gaussian, control = tight),
  logistic = glm(y_logistic ~ x1 + x2, family = binomial, control = tight),
  poisson = glm(y_poisson ~ x1 + x2, family = poisson, control = tight))
num <- function(v) paste(sprintf("%.17g", v), collapse = ", ")
out <- c("// Written by glm_weights.R; do not edit.",
         sprintf("constexpr int oracle_n = %d;", n),
         sprintf("const double oracle_x[] = {%s};", num(c(x1, x2))),
         sprintf("const double oracle_w[] = {%s};", num(w)),
         sprintf("const double oracle_y[3][%d] = {{%s}, {%s}, {%s}};", n, num(y_normal),
                 num(y_logistic), num(y_poisson)),
         "// Per model: intercept, x1, x2.")
for (what in c("coef", "se", "unweighted_coef", "unweighted_hc0")) {
  rows <- sapply(if (startsWith(what, "unweighted")) unweighted else fits, function(f) {
    v <- switch(what, coef = , unweighted_coef = coef(f), se = sqrt(diag(vcov(f))),
                unweighted_hc0 = sqrt(diag(sandwich(f))))
    paste0("{", num(v), "}")
  })
  out <- c(out, sprintf("const double oracle_%s[3][3] = {%s};", what, paste(rows, collapse = ", ")))
}
# The normal model's dispersion as glm forms it: sum w r^2 / (rows - 3).
out <- c(out, sprintf("const double oracle_normal_rss = %s;", num(sum(w * residuals(fits$normal)^2))))
writeLines(out, "glm_weights.inc")
