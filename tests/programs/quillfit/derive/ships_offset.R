# Prints the Poisson rate model of the ship damage data (examples/data/ships.csv, MASS's ships):
# incidents against type, year of construction and period of operation, with ln(months of
# service) as the offset and the last level of each factor as the reference, for
# ships_offset.expect. The ships never in service have no offset and are left out.
# Run once, here: Rscript ships_offset.R
s <- read.csv("../../../../examples/data/ships.csv")
last_reference <- function(v) relevel(factor(v), ref = tail(levels(factor(v)), 1))
for (v in c("type", "year", "period")) s[[v]] <- last_reference(s[[v]])
fit <- glm(incidents ~ type + year + period, family = poisson, offset = log_service,
           data = s[!is.na(s$log_service), ])
print(coef(fit), digits = 10)
print(sqrt(diag(vcov(fit))), digits = 10)
