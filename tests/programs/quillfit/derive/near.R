# Shared by the scripts here: they fit with R and print the expected numbers as near: lines of
# the .expect files (tests/programs/README.md), each to be met to 6 significant digits.
# Run a script from this folder (Rscript NAME.R); the suite itself never runs R.
data_dir <- "../../../../examples/data"
tight <- glm.control(epsilon = 1e-14, maxit = 100)

near <- function(file, row, variable, value, digits = 6) {
  tolerance <- 10^(floor(log10(max(abs(value), 1e-300))) - digits + 1)
  cat(sprintf("near: %s %d %s %.*g %.0e\n", file, row, variable, digits + 4, value, tolerance))
}

# One near: line a coefficient (OUTBETAS) and a standard error (OUTERRS), named as quill names them.
near_fit <- function(prefix, row, names, beta, se) {
  for (j in seq_along(names)) {
    near(paste0(prefix, "_betas.csv"), row, if (j == 1) "INTERCEPT" else paste0("BETA_", names[j]), beta[j])
    near(paste0(prefix, "_errs.csv"), row, if (j == 1) "STDERR_INT" else paste0("STDERR_", names[j]), se[j])
  }
}

# The first level in byte order first and the last as the reference, as CLASS codes them.
last_reference <- function(v) {
  f <- factor(toupper(as.character(v)), levels = sort(unique(toupper(as.character(v))), method = "radix"))
  relevel(f, ref = tail(levels(f), 1))
}
