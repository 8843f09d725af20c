# Expected values of data_step_probability.sas, computed with scipy.stats and Python's math (run
# once with /usr/bin/python3; data_step_probability.expect holds what it printed). A quantile of
# T or CHISQ is the root of scipy's CDF (brentq, to 1e-14): scipy's own inversions stop near
# 1e-11. Values as the program writes them: 14.12 and 16.10 round to 12 and 10 decimals.
import math

from scipy import optimize, stats


def f(v, d):
    return f"{v:.{d}f}"


def root(cdf, p, low, high):
    return optimize.brentq(lambda x: cdf(x) - p, low, high, xtol=1e-14, rtol=1e-15)


n, t, c, b, p = stats.norm, stats.t, stats.chi2, stats.binom, stats.poisson
print(f"log: n1={f(n.cdf(1.96), 12)} n2={f(n.cdf(130, 100, 15), 12)} n3={f(n.pdf(0.5, 1, 2), 12)} "
      f"n4={f(n.ppf(0.025, 100, 15), 10)} n5={n.cdf(-8.5):.9E}")
print(f"log: t1={f(t.cdf(2.228, 10), 12)} t2={f(t.pdf(-1.5, 3), 12)} "
      f"t3={f(root(lambda x: t.cdf(x, 10), 0.975, 1, 3), 10)} t4={f(root(lambda x: t.cdf(x, 2.5), 0.001, -30, -1), 10)}")
print(f"log: c1={f(c.cdf(3.84, 1), 12)} c2={f(c.pdf(4, 3), 12)} c3={f(root(lambda x: c.cdf(x, 7), 0.95, 1, 30), 10)} c4=0")
print(f"log: b1={f(b.cdf(3, 10, 0.3), 12)} b2={f(b.pmf(3, 10, 0.3), 12)} b3={int(b.ppf(0.5, 10, 0.3))} "
      f"b4={f(b.cdf(3, 10, 0.3), 12)} b5=0 b6=1")
print(f"log: p1={f(p.cdf(2, 3.5), 12)} p2={f(p.pmf(4, 3.5), 12)} p3={int(p.ppf(0.9, 3.5))} p4=0")
print(f"log: pn={f(n.cdf(-1.2), 12)} pr={f(n.ppf(0.9), 10)} pr2={f(n.ppf(1e-10), 10)}")
print(f"log: s={f(math.sin(0.7), 12)} c={f(math.cos(0.7), 12)} ta={f(math.tan(0.7), 12)} as={f(math.asin(0.5), 12)} "
      f"ac={f(math.acos(-0.3), 12)} at={f(math.atan(2), 12)} a2={f(math.atan2(-1, -2), 12)}")
print(f"log: sh={f(math.sinh(1.3), 12)} ch={f(math.cosh(1.3), 12)} th={f(math.tanh(-0.4), 12)}")
