# The selected coefficients against the truth (run.sh).
p <- 8; S <- 0.5^abs(outer(1:p,1:p,"-"))
ev <- function(file, b, data, fam) {
  d <- read.csv(file); B <- as.matrix(d[, paste0("BETA_X", 1:p)])
  truth <- b != 0
  exact <- mean(apply(B != 0, 1, function(r) all(r == truth)))
  me <- apply(B, 1, function(bh) t(bh - b) %*% S %*% (bh - b))
  D <- read.csv(data); me_ols <- sapply(1:100, function(r) { s <- D[D$rep == r, ]
    f <- glm(y ~ ., data = s[, -1], family = fam); bh <- coef(f)[-1]; t(bh - b) %*% S %*% (bh - b) })
  cat(sprintf("%-14s true model %3.0f%%  median relative model error %.1f%%\n", file, 100*exact, 100*median(me/me_ols)))
}
ev("fl_bic.csv", c(3,1.5,0,0,2,0,0,0), "fl.csv", gaussian()); ev("fl_refit.csv", c(3,1.5,0,0,2,0,0,0), "fl.csv", gaussian())
ev("po_bic.csv", c(.5,.3,0,0,.4,0,0,0), "po.csv", poisson()); ev("po_refit.csv", c(.5,.3,0,0,.4,0,0,0), "po.csv", poisson())
# best-subset BIC agreement for the normal case
D <- read.csv("fl.csv"); R <- read.csv("fl_refit.csv"); agree <- 0
for (r in 1:100) { s <- D[D$rep == r, ]; best <- NULL; bb <- Inf
  for (m in 0:255) { cols <- which(bitwAnd(m, 2^(0:7)) != 0); dd <- data.frame(y = s$y, s[, 2 + cols, drop = FALSE]); f <- lm(y ~ ., data = dd); v <- BIC(f); if (v < bb) { bb <- v; best <- cols } }
  sel <- which(unlist(R[R$rep == r, paste0("BETA_X", 1:8)]) != 0); agree <- agree + identical(as.integer(sel), as.integer(best)) }
cat(sprintf("refit support = best-subset BIC support in %d of 100\n", agree))
