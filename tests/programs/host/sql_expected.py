# Expected values of sql_prostate.sas, computed apart from quill with pandas on the same file.
# Run: /usr/bin/python3 tests/programs/host/sql_expected.py
import os
import pandas as pd

here = os.path.dirname(os.path.abspath(__file__))
pro = pd.read_csv(os.path.join(here, '../../../examples/data/prostate.csv'))

# CREATE TABLE AS: rows and columns
print('created', len(pro), 'rows')

# GROUP BY gleason: count, mean and standard deviation (n - 1) of lpsa
g = pro.groupby('gleason')['lpsa'].agg(['count', 'mean', 'std'])
for k, r in g.iterrows():
    print('gleason %d n=%d mean=%.4f std=%.4f' % (k, r['count'], r['mean'], r['std']))

# INTO: how many are 65 or older; the distinct svi values
print('old', int((pro.age >= 65).sum()))
print('max age', pro.age.max(), 'mean lcavol %.4f' % pro.lcavol.mean())

# Remerge: lpsa less its gleason group's mean, rows above 1.5, largest first
dev = pro.lpsa - pro.groupby('gleason')['lpsa'].transform('mean')
sel = pro.assign(dev=dev)[dev > 1.5].sort_values('dev', ascending=False)
for _, r in sel.iterrows():
    print('remerge gleason %d dev=%.4f' % (r.gleason, r.dev))

# Join with a lookup of gleason grades (7 and 9 only: 6 and 8 find no grade)
look = pd.DataFrame({'gleason': [7, 9], 'grade': ['mid', 'high']})
j = pro.merge(look, on='gleason', how='left')
print('left join rows', len(j), 'without grade', int(j.grade.isna().sum()))
inner = pro.merge(look, on='gleason')
c = inner.groupby('grade').size()
for k, v in c.sort_index().items():
    print('inner', k, v)
