# Expected values of data_step_random.sas (run once with /usr/bin/python3; the expect file holds
# what it printed). numpy's RandomState(seed) is MT19937 seeded by the reference code's
# init_genrand(seed), and random_sample() is its genrand_res53: the stream RAND draws after
# CALL STREAMINIT(seed). Each RAND call takes one uniform u and transforms it: the normal
# mu + sigma * PROBIT(u), the exponential -log(u), the Bernoulli u < p, the binomial and
# Poisson the smallest k with CDF(k) >= u (scipy's ppf), the integer a + floor(u (b - a + 1)).
# RANUNI: x = 397204094 x mod (2^31 - 1) from the seed, u = x / (2^31 - 1); RANNOR continues
# that stream (its seed is not used again) with PROBIT(u).
import math

import numpy as np
from scipy import stats

# MT19937's published first outputs for init_genrand(5489) (the reference code's default seed,
# also std::mt19937's): 3499211612 and 581869302. genrand_res53 of them is the first uniform.
rs = np.random.RandomState(5489)
first = ((3499211612 >> 5) * 67108864 + (581869302 >> 6)) / 9007199254740992
assert rs.random_sample() == first
rs = np.random.RandomState(5489)


def f(v, d):
    return f"{v:.{d}f}"


u = [rs.random_sample() for _ in range(14)]
for i in range(3):
    print(f"log: i={i + 1} u={f(u[i], 16)}")
z = 10 + 2 * stats.norm.ppf(u[3])
e = -math.log(u[4])
b = 1 if u[5] < 0.5 else 0
n = int(stats.binom.ppf(u[6], 20, 0.3))
p = int(stats.poisson.ppf(u[7], 2.5))
k = 1 + math.floor(u[8] * 6)
pb = int(stats.poisson.ppf(u[9], 100))
bb = int(stats.binom.ppf(u[10], 1000, 0.5))
ab = 5 + 2 * u[11]
e2 = -math.log(u[12]) * 3
z1 = stats.norm.ppf(u[13])
print(f"log: z={f(z, 12)} e={f(e, 12)} b={b} n={n} p={p} k={k} pb={pb} bb={bb} ab={f(ab, 12)} e2={f(e2, 12)} z1={f(z1, 12)}")
print(f"log: first={f(u[0], 16)} second={f(u[1], 16)} bad=.")
m = 2**31 - 1
x = 12345
for _ in range(3):
    x = x * 397204094 % m
    print(f"log: r={f(x / m, 14)}")
x = x * 397204094 % m
print(f"log: g={f(stats.norm.ppf(x / m), 12)}")
