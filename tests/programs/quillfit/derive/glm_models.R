# Expected numbers of glm_models.expect: the maximum-likelihood fits of the three models, their
# criteria as procedure/README.md defines them (from R's BIC() and AIC()), predictions, and one
# fit per BY group. Run here: Rscript glm_models.R
source("near.R")
criteria <- function(prefix, bic, aic, gcv = NULL) {
  near(paste0(prefix, "_path.csv"), 1, "BIC", bic)
  near(paste0(prefix, "_path.csv"), 1, "AIC", aic)
  if (!is.null(gcv)) near(paste0(prefix, "_path.csv"), 1, "GCV", gcv)
}

cat("# normal: lm(), gleason coded against its last level (9)\n")
p <- read.csv(file.path(data_dir, "prostate.csv"))
p$gleason <- last_reference(p$gleason)
fit <- lm(lpsa ~ lcavol + lweight + age + lbph + svi + lcp + gleason + pgg45, data = p)
near_fit("normal", 1, c("", "LCAVOL", "LWEIGHT", "AGE", "LBPH", "SVI", "LCP", "GLEASON_6",
                        "GLEASON_7", "GLEASON_8", "PGG45"),
         coef(fit), sqrt(diag(vcov(fit))))
n <- nrow(p); df <- length(coef(fit)); rss <- sum(residuals(fit)^2)
# lm's criteria count sigma as a parameter and keep the constant N (1 + ln 2 pi).
criteria("normal", BIC(fit) - n * (1 + log(2 * pi)) - log(n), AIC(fit) - n * (1 + log(2 * pi)) - 2,
         (rss / n) / (1 - df / n)^2)
for (i in c(1, 97)) near("normal_pred.csv", i, "PREDICTED", fitted(fit)[i])

cat("# logistic: glm(binomial), malignant as Y=1; the 16 rows missing V6 are left out\n")
b <- read.csv(file.path(data_dir, "biopsy.csv"))
b$y <- as.numeric(b$class == "malignant")
fit <- glm(y ~ V1 + V2 + V3 + V4 + V5 + V6 + V7 + V8 + V9, family = binomial, data = b,
           control = tight)
near_fit("logistic", 1, c("", paste0("V", 1:9)), coef(fit), sqrt(diag(vcov(fit))))
criteria("logistic", BIC(fit), AIC(fit))
for (i in c(1, 3)) near("logistic_pred.csv", i, "PREDICTED", predict(fit, b[i, ], type = "response"))

cat("# Poisson: glm(poisson), fem and mar coded against their last levels (WOMEN, SINGLE)\n")
a <- read.csv(file.path(data_dir, "biochemists.csv"))
a$fem <- last_reference(a$fem)
a$mar <- last_reference(a$mar)
fit <- glm(art ~ fem + mar + kid5 + phd + ment, family = poisson, data = a, control = tight)
near_fit("poisson", 1, c("", "FEM_MEN", "MAR_MARRIED", "KID5", "PHD", "MENT"),
         coef(fit), sqrt(diag(vcov(fit))))
# The criteria leave out the constant 2 sum ln(y!).
constant <- 2 * sum(lfactorial(a$art))
criteria("poisson", BIC(fit) - constant, AIC(fit) - constant)
near("poisson_pred.csv", 915, "PREDICTED", fitted(fit)[915])

cat("# OFFSET=lcp, normal; CLASS DESCENDING makes the first level (6) the reference\n")
p <- read.csv(file.path(data_dir, "prostate.csv"))
p$gleason <- relevel(factor(p$gleason, levels = c(9, 8, 7, 6)), ref = "6")
fit <- lm(lpsa ~ lcavol + lweight + gleason, offset = lcp, data = p)
near_fit("offset", 1, c("", "LCAVOL", "LWEIGHT", "GLEASON_9", "GLEASON_8", "GLEASON_7"),
         coef(fit), sqrt(diag(vcov(fit))))

cat("# BY svi: one lm() per group, svi = 0 then 1\n")
p <- read.csv(file.path(data_dir, "prostate.csv"))
for (g in 0:1) {
  fit <- lm(lpsa ~ lcavol + lweight + age + lbph + lcp + pgg45, data = p[p$svi == g, ])
  near_fit("by", g + 1, c("", "LCAVOL", "LWEIGHT", "AGE", "LBPH", "LCP", "PGG45"),
           coef(fit), sqrt(diag(vcov(fit))))
}
