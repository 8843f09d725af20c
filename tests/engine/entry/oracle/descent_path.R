# Writes descent_path.inc, the stored answers of descent_path_test.cpp:
#  - a normal model (n = 120, p = 6, independent columns) on which the SCAD objective is convex
#    (the smallest eigenvalue of Z'Z/n is above 1/(a - 1)), so its solution at each lambda is
#    unique: the objective (1/2n)|y - Z b|^2 + sum p_lambda(|b_j|) on Z = [1, scale(X)], the
#    intercept unpenalized, at each value of the log-spaced grid, its support and pieces from
#    ncvreg's ncvfit (below); the path is returned on the scale of X;
#  - a normal model with more columns than observations (n = 40, p = 100, truth x1 and x2) and
#    the support ncvreg's SCAD path selects by BIC; a logistic one (n = 50, p = 40, truth x1 and
#    x2: its maximum-likelihood fit separates the data) with the support ncvreg's BIC selects.
# Run once, here, with ncvreg in the library path: Rscript descent_path.R
suppressPackageStartupMessages(library(ncvreg))
num <- function(v) paste(sprintf("%.17g", v), collapse = ", ")
out <- "// Written by descent_path.R; do not edit."

set.seed(33)
n <- 120; p <- 6
X <- matrix(round(rnorm(n * p), 3), n, p)
y <- round(1 + 1.2 * X[, 1] - 0.8 * X[, 2] + 0.3 * X[, 4] + rnorm(n), 3)
Z <- cbind(1, scale(X))
stopifnot(min(eigen(crossprod(Z[, -1]) / n)$values) > 1.2 / (3.7 - 1))
G <- 8; lo <- 0.02; hi <- 0.6
grid <- lo * exp((0:(G - 1)) * log(hi / lo) / (G - 1))
path <- matrix(0, G, p + 1)
b <- rep(0, p + 1)
a <- 3.7
# ncvfit takes x_j'x_j / n for the curvature of coordinate j, which is (n - 1) / n here; where a
# coefficient lies between lambda and a lambda its update divides the penalty by that curvature,
# another objective than ours. So ncvfit gives the support and each coefficient's piece of the
# penalty, and the stationarity equations of our objective, linear on those pieces, are solved
# here; the pieces and the zeros' conditions are then checked.
solve_on_pieces <- function(b, lambda) {
  S <- which(b != 0)
  t <- abs(b); s <- sign(b)
  middle <- S[S > 1 & t[S] > lambda & t[S] <= a * lambda]
  soft <- S[S > 1 & t[S] <= lambda]
  A <- crossprod(Z[, S]) / n
  rhs <- drop(crossprod(Z[, S], y)) / n
  k <- match(middle, S)
  A[cbind(k, k)] <- A[cbind(k, k)] - 1 / (a - 1)
  rhs[match(soft, S)] <- rhs[match(soft, S)] - s[soft] * lambda
  rhs[k] <- rhs[k] - s[middle] * a * lambda / (a - 1)
  out <- rep(0, length(b)); out[S] <- solve(A, rhs)
  grad <- drop(crossprod(Z, y - Z %*% out)) / n
  tt <- abs(out)
  stopifnot(all(abs(grad[-S]) <= lambda), all(tt[soft] <= lambda),
            all(tt[middle] > lambda & tt[middle] <= a * lambda), all(sign(out[S]) == s[S]))
  out
}
for (g in G:1) {
  f <- ncvfit(Z, y, init = b, penalty = "SCAD", gamma = a, lambda = grid[g], eps = 1e-14,
              max.iter = 1e5, penalty.factor = c(0, rep(1, p)))
  b <- solve_on_pieces(f$beta, grid[g])
  slopes <- b[-1] / apply(X, 2, sd)
  path[g, ] <- c(b[1] - sum(slopes * colMeans(X)), slopes)
}
out <- c(out, sprintf("constexpr int convex_n = %d, convex_p = %d, convex_G = %d;", n, p, G),
         sprintf("constexpr double convex_min_lambda = %.17g, convex_max_lambda = %.17g;", lo, hi),
         sprintf("const double convex_x[] = {%s};", num(X)),
         sprintf("const double convex_y[] = {%s};", num(y)),
         "// Per grid value (ascending): intercept, then the p slopes.",
         sprintf("const double convex_path[] = {%s};", num(t(path))))

support <- function(X, y, family) {
  fit <- suppressWarnings(ncvreg(X, y, family = family, penalty = "SCAD"))
  b <- coef(fit)[-1, which.min(BIC(fit))]
  which(b != 0)
}
set.seed(34)
n <- 40; p <- 100
Xw <- matrix(round(rnorm(n * p), 3), n, p)
yw <- round(3 * Xw[, 1] - 3 * Xw[, 2] + 0.5 * rnorm(n), 3)
sw <- support(Xw, yw, "gaussian")
set.seed(35)
n2 <- 50; p2 <- 40
Xl <- matrix(round(rnorm(n2 * p2), 3), n2, p2)
yl <- rbinom(n2, 1, plogis(2 * Xl[, 1] - 2 * Xl[, 2]))
sl <- support(Xl, yl, "binomial")
out <- c(out, sprintf("constexpr int wide_n = %d, wide_p = %d;", n, p),
         sprintf("const double wide_x[] = {%s};", num(Xw)),
         sprintf("const double wide_y[] = {%s};", num(yw)),
         sprintf("const int wide_support[] = {%s};", paste(sw, collapse = ", ")),
         sprintf("constexpr int logistic_n = %d, logistic_p = %d;", n2, p2),
         sprintf("const double logistic_x[] = {%s};", num(Xl)),
         sprintf("const double logistic_y[] = {%s};", num(yl)),
         sprintf("const int logistic_support[] = {%s};", paste(sl, collapse = ", ")))
writeLines(out, "descent_path.inc")
