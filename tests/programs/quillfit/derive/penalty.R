# Expected numbers of penalty.expect: the lasso fit of the prostate data at lambda = 0.05, the
# minimizer of (1/2n)|y - Z b|^2 + 0.05 sum_j |b_j| on Z = [1, scale(X)] (columns divided by their
# standard deviation, divisor n - 1; the intercept unpenalized), on the scale of X. ncvreg's
# ncvfit finds it: its lasso update, the soft threshold divided by the column's curvature, is
# this objective's exact coordinate minimum. Run here, with ncvreg in the library path:
# Rscript penalty.R
source("near.R")
suppressPackageStartupMessages(library(ncvreg))
d <- read.csv(file.path(data_dir, "prostate.csv"))
names <- c("lcavol", "lweight", "age", "lbph", "svi", "lcp", "gleason", "pgg45")
X <- as.matrix(d[, names]); y <- d$lpsa; n <- nrow(X)
Z <- cbind(1, scale(X))
lambda <- 0.05
f <- ncvfit(Z, y, penalty = "lasso", lambda = lambda, eps = 1e-14, max.iter = 1e6,
            penalty.factor = c(0, rep(1, ncol(X))))
b <- f$beta
grad <- drop(crossprod(Z, y - Z %*% b)) / n
S <- which(b != 0)[-1]
stopifnot(abs(grad[1]) < 1e-10, all(abs(grad[-1]) <= lambda + 1e-12),
          max(abs(grad[S] - lambda * sign(b[S]))) < 1e-10)
slopes <- b[-1] / apply(X, 2, sd)
beta <- c(b[1] - sum(slopes * colMeans(X)), slopes)
# A zero is checked as exactly 0.
for (j in seq_along(beta))
  if (beta[j] == 0) cat(sprintf("near: lasso_betas.csv 1 BETA_%s 0 1e-12\n", toupper(names[j - 1]))) else near("lasso_betas.csv", 1, if (j == 1) "INTERCEPT" else paste0("BETA_", toupper(names[j - 1])), beta[j])
