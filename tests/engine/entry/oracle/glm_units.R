# Writes glm_units.inc: data sets whose fits a coefficient's units, a lambda of 0, large counts
# or an outlying count used to spoil, each with R's glm() fit (coefficients and model-based
# standard errors), for quill_fit_units_test.cpp.
# Run once, here: Rscript glm_units.R   (needs R with MASS, a recommended package)
library(MASS)
tight <- glm.control(epsilon = 1e-15, maxit = 200)
num <- function(v) paste(sprintf("%.17g", v), collapse = ", ")
short <- function(v) paste(format(v, digits = 15, trim = TRUE, scientific = FALSE), collapse = ", ")
fit_lines <- function(name, f) if (!f$converged) stop(name, " did not converge") else c(
  sprintf("const double %s_coef[] = {%s};", name, num(coef(f))),
  sprintf("const double %s_se[] = {%s};", name, num(sqrt(diag(vcov(f))))))
out <- "// Written by glm_units.R; do not edit. Coefficients: intercept first, then the columns."

# Boston housing: the 13 predictors, then tax^2; the response medv. glm at lambda 0 on the 13,
# and log(medv) on lstat and tax^2 (a slope of -4.4e-7 with z = -5.5).
B <- MASS::Boston
preds <- c("crim", "zn", "indus", "chas", "nox", "rm", "age", "dis", "rad", "tax", "ptratio",
           "black", "lstat")
out <- c(out, sprintf("constexpr int boston_n = %d;", nrow(B)),
         sprintf("const double boston_x[] = {%s};", short(unlist(B[, preds]))),
         sprintf("const double boston_medv[] = {%s};", short(B$medv)))
out <- c(out, fit_lines("boston", glm(medv ~ ., data = B, control = tight)))
out <- c(out, fit_lines("boston_tax2", glm(log(medv) ~ lstat + I(tax^2), data = B, control = tight)))

# Biochemists' articles (pscl's bioChemists, as examples/data ships it) times 1e9: phd and
# ment have z = 0.5 and 12.7; their standard errors are about 1e-6.
bc <- read.csv("../../../../examples/data/biochemists.csv")
X <- cbind(fem = as.numeric(bc$fem == "Women"), mar = as.numeric(bc$mar == "Married"),
           kid5 = bc$kid5, phd = bc$phd, ment = bc$ment)
art <- bc$art * 1e9
out <- c(out, sprintf("constexpr int biochemists_n = %d;", nrow(X)),
         sprintf("const double biochemists_x[] = {%s};", num(c(X))),
         sprintf("const double biochemists_art[] = {%s};", num(bc$art)))
out <- c(out, fit_lines("biochemists_1e9", glm(art ~ X, family = poisson, control = tight)))

# Counts of about 1e9, five of them above 1e10.
set.seed(20261210)
repeat {
  x1 <- round(rnorm(300), 3); x2 <- round(rnorm(300), 3)
  y <- rpois(300, 1e9 * exp(x1 + 0.2 * x2))
  if (sum(y > 1e10) == 5) break
}
out <- c(out, "constexpr int large_n = 300;",
         sprintf("const double large_x[] = {%s};", num(c(x1, x2))),
         sprintf("const double large_y[] = {%s};", num(y)))
# The deviance of counts this size is known to about 1e-9 of itself only: the coefficients
# are converged to 1e-14 at 1e-8 already (Newton steps converge quadratically).
out <- c(out, fit_lines("large", glm(y ~ x1 + x2, family = poisson,
                                     control = glm.control(epsilon = 1e-8, maxit = 200))))

# Counts up to about 12 and one of 3e9.
set.seed(20261211)
x1 <- round(rnorm(60), 3); x2 <- round(rnorm(60), 3)
y <- rpois(60, exp(1 + 0.4 * x1 - 0.3 * x2))
y[17] <- 3e9
out <- c(out, "constexpr int outlier_n = 60;",
         sprintf("const double outlier_x[] = {%s};", num(c(x1, x2))),
         sprintf("const double outlier_y[] = {%s};", num(y)))
out <- c(out, fit_lines("outlier", glm(y ~ x1 + x2, family = poisson, control = tight)))
writeLines(out, "glm_units.inc")
