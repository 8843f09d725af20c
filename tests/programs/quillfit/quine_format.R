# The fit format_statement.expect checks: quine (MASS) with Age grouped as $AGEGRP. groups it
# (F0 Primary, the others Secondary) and Lrn shown as $LRN. shows it, the last level of each
# (in text order) the reference. Run once: Rscript quine_format.R
library(MASS)
last_reference <- function(f) relevel(f, ref = tail(levels(f), 1))
q <- quine
q$AgeGroup <- factor(ifelse(q$Age == "F0", "Primary", "Secondary"))
q$LrnShown <- factor(ifelse(q$Lrn == "AL", "Average", "Slow"))
for (v in c("Eth", "Sex", "AgeGroup", "LrnShown")) q[[v]] <- last_reference(q[[v]])
fit <- glm(Days ~ Eth + Sex + AgeGroup + LrnShown, family = poisson, data = q)
print(coef(fit), digits = 10)
print(sqrt(diag(vcov(fit))), digits = 10)
print(table(q$AgeGroup))
print(table(q$LrnShown))
