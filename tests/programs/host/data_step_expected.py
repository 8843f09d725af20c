# Expected values of data_step_set.sas and data_step_functions.sas, computed apart from quill.
import math

raw = [(1, 45, 4.5, 'a'), (2, 62, None, 'b'), (3, 71, 12.0, 'a'), (4, 55, 0.0, 'b'), (5, 80, 2.0, 'a')]
total = 0
for n, (id_, age, psa, grp) in enumerate(raw, 1):
    logpsa = math.log(psa) if psa else None          # missing, or invalid argument at 0
    per_psa = age / psa if psa else None             # missing, or division by zero
    total += psa or 0
    print(id_, 'logpsa=%.10g' % logpsa if logpsa is not None else '.', 'per_psa=%.10g' % per_psa if per_psa else '.',
          'total=%g' % total, 'count=%d' % n)
print('adults:', [(i, a, p) for i, a, p, g in raw if p is not None and p > 1])
# data_step_functions.sas
print('round', round(2.345 * 100 + 1e-9) / 100, 'mean', (3 + 5) / 2, 'sum of squares 1..4', sum(i * i for i in range(1, 5)))
words = 'quill fits scad'.split()
print('scan 2', words[1], 'scan -1', words[-1], 'substr', 'penalized'[2:2 + 4])
