# Writes support_refit.inc, the stored answers of support_refit_test.cpp: for a normal model
# (n = 60, p = 8, columns correlated 0.5^|i - j|, coefficients 3, 1.5, 0, 0, 2, 0, 0, 0, sigma 3:
# the design of Fan and Li's simulation) and a logistic one (n = 150, the same columns,
# coefficients 1.2, 0.8, 0, 0, 1, 0, 0, 0), the best subset by BIC over all 2^8 sets of
# predictors (the intercept always in), and lm's / glm's coefficients, standard errors and BIC
# on it. The BIC of a set is R's BIC(), which for lm counts sigma as a parameter too.
# Run once, here: Rscript support_refit.R
num <- function(v) paste(sprintf("%.17g", v), collapse = ", ")
out <- "// Written by support_refit.R; do not edit."
p <- 8
design <- function(n) {
  S <- 0.5^abs(outer(1:p, 1:p, "-"))
  round(matrix(rnorm(n * p), n, p) %*% chol(S), 4)
}
best_subset <- function(X, y, family) {
  best <- NULL; best_bic <- Inf
  for (m in 0:(2^p - 1)) {
    cols <- which(bitwAnd(m, 2^(0:(p - 1))) != 0)
    d <- data.frame(y = y, X[, cols, drop = FALSE])
    f <- glm(y ~ ., data = d, family = family, control = glm.control(epsilon = 1e-14, maxit = 100))
    b <- BIC(f)
    if (b < best_bic) { best_bic <- b; best <- list(cols = cols, fit = f) }
  }
  best
}
emit <- function(name, X, y, family) {
  best <- best_subset(X, y, family)
  s <- summary(best$fit)$coefficients
  beta <- se <- rep(0, p)
  beta[best$cols] <- s[-1, 1]; se[best$cols] <- s[-1, 2]
  c(sprintf("constexpr int %s_n = %d;", name, nrow(X)),
    sprintf("constexpr double %s_x[] = {%s};", name, num(X)),
    sprintf("constexpr double %s_y[] = {%s};", name, num(y)),
    sprintf("constexpr int %s_support[] = {%s};", name, paste(best$cols, collapse = ", ")),
    sprintf("constexpr double %s_intercept[] = {%s};", name, num(s[1, 1:2])),
    sprintf("constexpr double %s_beta[] = {%s};", name, num(beta)),
    sprintf("constexpr double %s_se[] = {%s};", name, num(se)),
    sprintf("constexpr double %s_bic = %s;", name, num(BIC(best$fit))))
}
set.seed(60)
X <- design(60)
y <- round(drop(X %*% c(3, 1.5, 0, 0, 2, 0, 0, 0)) + 3 * rnorm(60), 4)
out <- c(out, emit("normal", X, y, gaussian()))
set.seed(150)
X <- design(150)
y <- rbinom(150, 1, plogis(drop(X %*% c(1.2, 0.8, 0, 0, 1, 0, 0, 0))))
out <- c(out, emit("logistic", X, y, binomial()))
writeLines(out, "support_refit.inc")
