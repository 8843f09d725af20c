# The statistics freq_chisq.expect checks, from scipy.stats (run once with Debian's python3:
# /usr/bin/python3 freq_chisq.py; the suite never runs it). Prints each value as the listing
# shows it: four decimals, "<.0001" below 0.0001.
import math
import numpy as np
from scipy import stats

def p4(p):
    return "<.0001" if p < 0.0001 else f"{p:.4f}"

def two_way(name, table):
    t = np.array(table, dtype=float)
    n = t.sum()
    chi, p, df, expected = stats.chi2_contingency(t, correction=False)
    lr, lr_p, _, _ = stats.chi2_contingency(t, correction=False, lambda_="log-likelihood")
    print(name)
    print(f"  Chi-Square df={df} value={chi:.4f} prob={p4(p)}")
    print(f"  Likelihood Ratio Chi-Square value={lr:.4f} prob={p4(lr_p)}")
    m = min(t.shape)
    if t.shape == (2, 2):
        cont, cont_p, _, _ = stats.chi2_contingency(t, correction=True)
        print(f"  Continuity Adj. value={cont:.4f} prob={p4(cont_p)}")
        phi = (t[0, 0] * t[1, 1] - t[0, 1] * t[1, 0]) / math.sqrt(t[0].sum() * t[1].sum() * t[:, 0].sum() * t[:, 1].sum())
        v = phi
        _, left = stats.fisher_exact(t, alternative="less")
        _, right = stats.fisher_exact(t, alternative="greater")
        _, two = stats.fisher_exact(t, alternative="two-sided")
        r1, c1 = t[0].sum(), t[:, 0].sum()
        table_p = stats.hypergeom.pmf(t[0, 0], n, c1, r1)
        print(f"  Fisher left={p4(left)} right={p4(right)} table={p4(table_p)} two={p4(two)}")
    else:
        phi = math.sqrt(chi / n)
        v = math.sqrt(chi / n / (m - 1))
    print(f"  Phi={phi:.4f} Contingency={math.sqrt(chi / (chi + n)):.4f} V={v:.4f}")
    small = (expected < 5).mean()
    print(f"  cells with expected < 5: {100 * small:.0f}%")

two_way("treat by outcome", [[3, 9], [8, 4]])
two_way("group by grade", [[5, 2, 1], [9, 6, 4]])
chi, p = stats.chisquare([11, 13])
print(f"outcome equal proportions: {chi:.4f} {p4(p)}")

# For tests/host/steps/contingency_tests_test.cpp: the chi-square upper tail across its two
# branches (series below df/2 + 1, continued fraction above) and Fisher's test where the
# two-sided sum needs the mirrored table counted (equal probabilities) and in the far tail.
for x, df in [(3.841458820694124, 1), (40, 1), (0.5, 10), (100, 50), (1e-3, 3), (250, 4)]:
    print(f"chi2.sf({x}, {df}) = {stats.chi2.sf(x, df):.17g}")
for t in ([[3, 1], [1, 3]], [[20, 0], [0, 20]], [[0, 5], [5, 0]]):
    _, two = stats.fisher_exact(t)
    _, left = stats.fisher_exact(t, alternative="less")
    _, right = stats.fisher_exact(t, alternative="greater")
    print(f"fisher {t}: left {left:.17g} right {right:.17g} two {two:.17g}")
