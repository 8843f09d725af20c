# Writes glm_offset.inc: a small data set with an offset (the log of an exposure) and R's
# glm(offset = ...) fit of the normal, logistic and Poisson models (coefficients and standard
# errors), for quill_fit_oracle_test.cpp.
# Run once, here: Rscript glm_offset.R
set.seed(20261209)
n <- 40
x1 <- round(rnorm(n), 3)
x2 <- round(rnorm(n), 3)
exposure <- round(runif(n, 0.5, 8), 2)
off <- log(exposure)
eta <- -0.6 + 0.5 * x1 - 0.4 * x2 + off
y_normal <- round(eta + rnorm(n, sd = 0.8), 3)
y_logistic <- rbinom(n, 1, plogis(eta - 1))
y_poisson <- rpois(n, exp(eta))
# Converged to the last digits, so that the values are the maximum-likelihood ones.
tight <- glm.control(epsilon = 1e-15, maxit = 200)
fits <- list(
  normal = glm(y_normal ~ x1 + x2, family = gaussian, offset = off, control = tight),
  logistic = glm(y_logistic ~ x1 + x2, family = binomial, offset = off, control = tight),
  poisson = glm(y_poisson ~ x1 + x2, family = poisson, offset = off, control = tight))
num <- function(v) paste(sprintf("%.17g", v), collapse = ", ")
out <- c("// Written by glm_offset.R; do not edit.",
         sprintf("constexpr int offset_n = %d;", n),
         sprintf("const double offset_x[] = {%s};", num(c(x1, x2))),
         sprintf("const double offset_values[] = {%s};", num(off)),
         sprintf("const double offset_y[3][%d] = {{%s}, {%s}, {%s}};", n, num(y_normal),
                 num(y_logistic), num(y_poisson)),
         "// Per model: intercept, x1, x2.")
for (what in c("coef", "se")) {
  rows <- sapply(fits, function(f) {
    v <- if (what == "coef") coef(f) else sqrt(diag(vcov(f)))
    paste0("{", num(v), "}")
  })
  out <- c(out, sprintf("const double offset_%s[3][3] = {%s};", what, paste(rows, collapse = ", ")))
}
writeLines(out, "glm_offset.inc")
