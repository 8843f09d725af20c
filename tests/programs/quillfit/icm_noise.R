# Writes icm_noise.csv: 30 columns of noise for 20 observations (algorithm_icm.sas). Rscript icm_noise.R
set.seed(5); n <- 20; p <- 30
X <- matrix(round(rnorm(n*p),3), n, p); colnames(X) <- paste0("x", 1:p)
y <- round(rnorm(n), 3)
write.csv(data.frame(y = y, X), "icm_noise.csv", row.names = FALSE)
