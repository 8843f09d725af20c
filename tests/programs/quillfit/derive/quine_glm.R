# Writes quine.csv (Quine's school absence data, as MASS ships it) and prints the Poisson
# maximum-likelihood fit with the last level of each factor as the reference, for quine_glm.expect.
# Run once, here: Rscript quine_glm.R
library(MASS)
write.csv(quine[, c("Eth", "Sex", "Age", "Lrn", "Days")], "../quine.csv", row.names = FALSE,
          quote = FALSE)
last_reference <- function(f) relevel(f, ref = tail(levels(f), 1))
q <- quine
for (v in c("Eth", "Sex", "Age", "Lrn")) q[[v]] <- last_reference(q[[v]])
fit <- glm(Days ~ Eth + Sex + Age + Lrn, family = poisson, data = q)
print(coef(fit), digits = 10)
print(sqrt(diag(vcov(fit))), digits = 10)
