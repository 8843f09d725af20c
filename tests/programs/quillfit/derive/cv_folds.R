# Expected numbers of cv_folds.expect: for each fold, glm() on the other folds predicts the
# held-out rows; the CV error is the (weighted) mean held-out deviance and its standard error
# sqrt(sum W_j (e_j - CV)^2 / sum W_j / (k - 1)), e_j the fold's mean deviance and W_j its weight.
# Run here: Rscript cv_folds.R
source("near.R")
cv <- function(file, formula, family, data, deviance, weights = rep(1, nrow(data))) {
  data$w <- weights
  used <- complete.cases(data[, all.vars(formula)])
  data <- data[used, ]
  e <- numeric(0); W <- numeric(0)
  for (j in sort(unique(data$fold))) {
    held <- data$fold == j
    train <- data[!held, ]
    fit <- glm(formula, family = family, data = train, weights = w, control = tight)
    mu <- predict(fit, data[held, ], type = "response")
    y <- model.response(model.frame(formula, data[held, ]))
    e[j] <- weighted.mean(deviance(y, mu), data$w[held])
    W[j] <- sum(data$w[held])
  }
  error <- sum(W * e) / sum(W)
  near(file, 1, "CV_ERROR", error)
  near(file, 1, "CV_SE", sqrt(sum(W * (e - error)^2) / sum(W) / (length(e) - 1)))
}
y_log_y <- function(y, mu) ifelse(y == 0, 0, y * log(y / mu))

cat("# normal: four folds of the prostate data, squared errors\n")
p <- read.csv(file.path(data_dir, "prostate.csv"))
p$fold <- seq_len(nrow(p)) %% 4 + 1
cv("normal_cv.csv", lpsa ~ lcavol + lweight + age + lbph + svi + lcp + gleason + pgg45, gaussian,
   p, function(y, mu) (y - mu)^2)

cat("# logistic: five folds of the biopsy data (the rows missing V6 left out), binomial deviance\n")
b <- read.csv(file.path(data_dir, "biopsy.csv"))
b$y <- as.numeric(b$class == "malignant")
b$fold <- seq_len(nrow(b)) %% 5 + 1
cv("logistic_cv.csv", y ~ V1 + V2 + V3 + V4 + V5 + V6 + V7 + V8 + V9, binomial, b,
   function(y, mu) -2 * (y * log(mu) + (1 - y) * log(1 - mu)))

cat("# Poisson with weights 1 and 2: three folds, Poisson deviance counted w times\n")
a <- read.csv(file.path(data_dir, "biochemists.csv"))
a$fem <- last_reference(a$fem)
a$mar <- last_reference(a$mar)
a$fold <- seq_len(nrow(a)) %% 3 + 1
cv("poisson_cv.csv", art ~ fem + mar + kid5 + phd + ment, poisson, a,
   function(y, mu) 2 * (y_log_y(y, mu) - (y - mu)), weights = 1 + seq_len(nrow(a)) %% 2)
