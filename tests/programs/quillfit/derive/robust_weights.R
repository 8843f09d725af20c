# Expected numbers of robust_weights.expect: HC0 sandwich errors by hand,
# (X'WX)^-1 X' diag(r^2) X (X'WX)^-1 with r = y - mu, and frequency weights as repeated rows.
# Run here: Rscript robust_weights.R
source("near.R")
hc0 <- function(fit) {
  x <- model.matrix(fit)
  bread <- solve(crossprod(x, x * fit$weights))  # the fit's working weights (1 for lm)
  meat <- crossprod(x * (fit$y - fitted(fit)))
  sqrt(diag(bread %*% meat %*% bread))
}
near_errs <- function(file, names, se) {
  for (j in seq_along(names))
    near(file, 1, if (j == 1) "STDERR_INT" else paste0("STDERR_", names[j]), se[j])
}

cat("# ROBUST, normal: HC0 of lm()\n")
p <- read.csv(file.path(data_dir, "prostate.csv"))
fit <- glm(lpsa ~ lcavol + lweight + age + lbph + svi + lcp + gleason + pgg45, data = p)
near_errs("normal_robust.csv", c("", "LCAVOL", "LWEIGHT", "AGE", "LBPH", "SVI", "LCP", "GLEASON",
                                 "PGG45"), hc0(fit))

cat("# ROBUST, logistic\n")
b <- read.csv(file.path(data_dir, "biopsy.csv"))
b$y <- as.numeric(b$class == "malignant")
fit <- glm(y ~ V1 + V2 + V3 + V4 + V5 + V6 + V7 + V8 + V9, family = binomial, data = b,
           control = tight)
near_errs("logistic_robust.csv", c("", paste0("V", 1:9)), hc0(fit))

cat("# ROBUST, Poisson\n")
a <- read.csv(file.path(data_dir, "biochemists.csv"))
a$fem <- last_reference(a$fem)
a$mar <- last_reference(a$mar)
fit <- glm(art ~ fem + mar + kid5 + phd + ment, family = poisson, data = a, control = tight)
names <- c("", "FEM_MEN", "MAR_MARRIED", "KID5", "PHD", "MENT")
near_errs("poisson_robust.csv", names, hc0(fit))

cat("# WEIGHT, normal: lm() of the rows repeated w times (w > 0)\n")
d <- data.frame(
  y  = c(0.478, 1.107, 2.739, 0.699, 1.323, 1.24, 1.114, 0.79, 0.572, 0.559, 1.908, 0.589, 3.234, 0.432),
  x1 = c(0.041, 0.353, 1.562, -0.705, 0.221, 2.234, 0.204, 1.306, 0.311, -0.921, -0.427, -0.8, 1.096, -1.308),
  x2 = c(0.465, 0.926, -0.885, -0.784, 0.419, 0.863, -0.623, -0.223, -0.291, -0.625, 0.071, -0.807, -0.706, -1.032),
  w  = c(2, 1, 3, 1, 2, 0, 1, 3, NA, 2, 1, -1, 2, 1))
d <- d[!is.na(d$w) & d$w > 0, ]
repeated <- d[rep(seq_len(nrow(d)), d$w), ]
fit <- lm(y ~ x1 + x2, data = repeated)
near_fit("normal_weighted", 1, c("", "X1", "X2"), coef(fit), sqrt(diag(vcov(fit))))

cat("# WEIGHT with ROBUST, Poisson: the repeated rows' fit and HC0\n")
a$w <- 1 + seq_len(nrow(a)) %% 3
repeated <- a[rep(seq_len(nrow(a)), a$w), ]
fit <- glm(art ~ fem + mar + kid5 + phd + ment, family = poisson, data = repeated, control = tight)
near_fit("poisson_weighted", 1, names, coef(fit), hc0(fit))
