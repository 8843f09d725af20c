# Writes penalty_kinds.inc, the stored answers of penalty_kinds_test.cpp: the solutions of the
# MCP (gamma 3) and lasso objectives, where they are convex, as ncvreg finds them.
#  - a normal model (n = 120, p = 6): the objective (1/2n)|y - Z b|^2 + sum p_lambda(|b_j|) on
#    Z = [1, scale(X)] (our standardization, divisor n - 1), the intercept unpenalized, at each
#    value of a log-spaced grid, for MCP and the lasso. ncvfit takes x_j'x_j / n, here (n - 1) / n,
#    for the curvature and divides MCP's concave part by it (another objective), so, as in
#    descent_path.R, ncvfit gives the support and each coefficient's piece of the penalty and the
#    stationarity equations of our objective, linear on those pieces, are solved here;
#  - a logistic model (n = 150, p = 6) under the lasso: -loglik/n + lambda sum |b_j|. ncvreg
#    standardizes with divisor n, so its lambda * sqrt(n / (n - 1)) is our lambda; its solution
#    is polished by Newton's method on its support and signs, and the conditions of the zeros
#    are checked.
# Paths are returned on the scale of X, intercept first. Run once, here, with ncvreg in the
# library path: Rscript penalty_kinds.R
suppressPackageStartupMessages(library(ncvreg))
num <- function(v) paste(sprintf("%.17g", v), collapse = ", ")
out <- "// Written by penalty_kinds.R; do not edit."
gamma <- 3
log_grid <- function(lo, hi, G) lo * exp((0:(G - 1)) * log(hi / lo) / (G - 1))
to_x_scale <- function(b, X) {
  slopes <- b[-1] / apply(X, 2, sd)
  c(b[1] - sum(slopes * colMeans(X)), slopes)
}

# The normal model.
set.seed(36)
n <- 120; p <- 6
X <- matrix(round(rnorm(n * p), 3), n, p)
y <- round(1 + 1.2 * X[, 1] - 0.8 * X[, 2] + 0.3 * X[, 4] + 0.15 * X[, 6] + rnorm(n), 3)
Z <- cbind(1, scale(X))
stopifnot(min(eigen(crossprod(Z[, -1]) / n)$values) > 1.2 / gamma)
G <- 8; lo <- 0.01; hi <- 0.6
grid <- log_grid(lo, hi, G)
solve_on_pieces <- function(b, lambda, penalty) {
  S <- which(b != 0)
  t <- abs(b); s <- sign(b)
  penalized <- S[S > 1]
  shrunk <- if (penalty == "lasso") penalized else penalized[t[penalized] <= gamma * lambda]
  A <- crossprod(Z[, S]) / n
  rhs <- drop(crossprod(Z[, S], y)) / n
  k <- match(shrunk, S)
  if (penalty == "MCP") A[cbind(k, k)] <- A[cbind(k, k)] - 1 / gamma
  rhs[k] <- rhs[k] - s[shrunk] * lambda
  sol <- rep(0, length(b)); sol[S] <- solve(A, rhs)
  grad <- drop(crossprod(Z, y - Z %*% sol)) / n
  tt <- abs(sol)
  stopifnot(all(abs(grad[-S]) <= lambda), all(sign(sol[S]) == s[S]))
  if (penalty == "MCP")
    stopifnot(all(tt[shrunk] <= gamma * lambda), all(tt[setdiff(penalized, shrunk)] > gamma * lambda))
  sol
}
normal_path <- function(penalty) {
  path <- matrix(0, G, p + 1)
  b <- rep(0, p + 1)
  for (g in G:1) {
    f <- ncvfit(Z, y, init = b, penalty = penalty, gamma = gamma, lambda = grid[g], eps = 1e-14,
                max.iter = 1e5, penalty.factor = c(0, rep(1, p)))
    b <- solve_on_pieces(f$beta, grid[g], penalty)
    path[g, ] <- to_x_scale(b, X)
  }
  path
}
mcp <- normal_path("MCP")
lasso <- normal_path("lasso")
stopifnot(any(mcp[, -1] == 0), any(mcp[, -1] != 0))
out <- c(out, sprintf("constexpr int normal_n = %d, normal_p = %d, normal_G = %d;", n, p, G),
         sprintf("constexpr double normal_min_lambda = %.17g, normal_max_lambda = %.17g;", lo, hi),
         sprintf("const double normal_x[] = {%s};", num(X)),
         sprintf("const double normal_y[] = {%s};", num(y)),
         "// Per grid value (ascending): intercept, then the p slopes.",
         sprintf("const double normal_mcp_path[] = {%s};", num(t(mcp))),
         sprintf("const double normal_lasso_path[] = {%s};", num(t(lasso))))

# The logistic model under the lasso.
set.seed(37)
n <- 150; p <- 6
X <- matrix(round(rnorm(n * p), 3), n, p)
y <- rbinom(n, 1, plogis(0.3 + 1.2 * X[, 1] - 0.9 * X[, 2] + 0.4 * X[, 5]))
Z <- cbind(1, scale(X))
G <- 6; lo <- 0.005; hi <- 0.15
grid <- log_grid(lo, hi, G)
fit <- ncvreg(X, y, family = "binomial", penalty = "lasso", lambda = rev(grid) * sqrt(n / (n - 1)),
              eps = 1e-12, max.iter = 1e6)
polish <- function(b, lambda) {
  S <- which(b != 0)
  s <- sign(b); s[1] <- 0
  for (k in 1:100) {
    mu <- plogis(drop(Z %*% b))
    grad <- drop(crossprod(Z[, S], y - mu)) / n - lambda * s[S]
    H <- crossprod(Z[, S] * (mu * (1 - mu)), Z[, S]) / n
    b[S] <- b[S] + solve(H, grad)
  }
  mu <- plogis(drop(Z %*% b))
  grad <- drop(crossprod(Z, y - mu)) / n
  stopifnot(all(abs(grad[-S]) <= lambda), all(sign(b[S][-1]) == s[S][-1]),
            max(abs(grad[S][-1] - lambda * s[S][-1])) < 1e-13)
  b
}
logistic <- matrix(0, G, p + 1)
for (g in 1:G) {
  theirs <- coef(fit)[, G + 1 - g]
  # ncvreg's coefficients on our standardized scale, as the start.
  sds <- apply(X, 2, sd)
  b <- c(theirs[1] + sum(theirs[-1] * colMeans(X)), theirs[-1] * sds)
  mine <- to_x_scale(polish(b, grid[g]), X)
  stopifnot(max(abs(mine - theirs)) < 1e-5)
  logistic[g, ] <- mine
}
stopifnot(any(logistic[, -1] == 0), any(logistic[, -1] != 0))
out <- c(out, sprintf("constexpr int logistic_n = %d, logistic_p = %d, logistic_G = %d;", n, p, G),
         sprintf("constexpr double logistic_min_lambda = %.17g, logistic_max_lambda = %.17g;", lo, hi),
         sprintf("const double logistic_x[] = {%s};", num(X)),
         sprintf("const double logistic_y[] = {%s};", num(y)),
         sprintf("const double logistic_lasso_path[] = {%s};", num(t(logistic))))
writeLines(out, "penalty_kinds.inc")
