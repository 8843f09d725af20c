# The data of the REFIT Monte Carlo (run.sh): 100 replicates of each design, fixed seed.
set.seed(2026); p <- 8; S <- 0.5^abs(outer(1:p,1:p,"-")); L <- chol(S)
b <- c(3,1.5,0,0,2,0,0,0); out <- NULL
for (r in 1:100) { X <- matrix(rnorm(60*p),60,p) %*% L; y <- X %*% b + 3*rnorm(60)
  out <- rbind(out, data.frame(rep=r, y=drop(y), X)) }
names(out) <- c("rep","y",paste0("x",1:p)); write.csv(out, "fl.csv", row.names=FALSE)
# Poisson: n=200, p=8, coefficients 0.5, 0.3, 0, 0, 0.4, 0, 0, 0 (intercept 1)
out <- NULL; bp <- c(0.5,0.3,0,0,0.4,0,0,0)
for (r in 1:100) { X <- matrix(rnorm(200*p),200,p) %*% L; y <- rpois(200, exp(1 + X %*% bp))
  out <- rbind(out, data.frame(rep=r, y=drop(y), X)) }
names(out) <- c("rep","y",paste0("x",1:p)); write.csv(out, "po.csv", row.names=FALSE)
