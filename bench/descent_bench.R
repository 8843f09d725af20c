# ncvreg's SCAD path on the CSV that quill_descent_bench wrote: the same rows, G lambdas, processor
# and elapsed seconds. usage: Rscript descent_bench.R normal|logistic|poisson CSV G  (ncvreg in R's library
# path)
suppressPackageStartupMessages(library(ncvreg))
a <- commandArgs(TRUE)
d <- as.matrix(read.csv(a[2], header = FALSE))
family <- switch(a[1], logistic = "binomial", poisson = "poisson", "gaussian")
t <- system.time(fit <- suppressWarnings(ncvreg(d[, -1], d[, 1], family = family,
                                                penalty = "SCAD", nlambda = as.integer(a[3]))))
cat(sprintf("ncvreg %s n=%d p=%d G=%s: %.3f s processor, %.3f s elapsed, %d iterations\n", a[1],
            nrow(d), ncol(d) - 1, a[3], t[["user.self"]] + t[["sys.self"]], t[["elapsed"]],
            sum(fit$iter)))
