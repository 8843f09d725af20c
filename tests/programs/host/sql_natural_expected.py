# Expected values of sql_natural.sas, computed apart from quill with pandas: merge on the columns
# both tables name (pandas matches a missing key with a missing key, as SAS does), the matched
# columns first, then the left table's others, then the right table's.
# Run: /usr/bin/python3 tests/programs/host/sql_natural_expected.py   (prints the .expect lines)
import numpy as np
import pandas as pd

nan = np.nan
one = pd.DataFrame({'x': [1, 2, 6, 2, nan, nan], 'y': [2, 1, 5, 5, 9, 7], 'z': [3, 8, 4, 6, 9, nan]})
two = pd.DataFrame({'x': [1, 3, 2, 6, nan, nan, 4], 'b': [5, 5, 7, 0, 1, 2, 3], 'z': [3, 4, 8, 4, 9, nan, nan]})


def natural(left, right, how):
    common = [c for c in left.columns if c in right.columns]
    order = common + [c for c in left.columns if c not in common] + [c for c in right.columns if c not in common]
    return left.merge(right, on=common, how=how)[order] if common else left.merge(right, how='cross')


def cell(v):
    return '.' if pd.isna(v) else ('%d' % v if float(v).is_integer() else '%g' % v)


def listing(title, frame):
    # BEST8. numbers right-aligned in 8 columns, two blanks between columns
    print('lst: ' + title)
    print('lst: ' + '  '.join('%8s' % c for c in frame.columns))
    for _, r in frame.iterrows():
        print('lst: ' + '  '.join('%8s' % cell(v) for v in r))


for title, how in (('inner', 'inner'), ('left', 'left'), ('right', 'right'), ('full', 'outer')):
    j = natural(one, two, how).sort_values(['x', 'z', 'y', 'b'], na_position='first')
    listing(title, j)

# Text keys: blank is missing and matches blank; 'b' of length 4 matches 'b' of length 8.
names = pd.DataFrame({'name': ['a', 'b', '', 'd'], 'v': [1, 2, 3, 4]})
codes = pd.DataFrame({'name': ['a', 'b', '', 'c'], 'w': [10, 20, 30, 40]})
full = natural(names, codes, 'outer').sort_values(['name', 'v', 'w'], na_position='first')
print('log: cols=%s lengths=8 8 8' % ' '.join(full.columns))


def catx(values):
    return ':'.join(cell(v) if not isinstance(v, str) else v for v in values
                    if not (isinstance(v, str) and v == '') and not (not isinstance(v, str) and pd.isna(v)))


print('log: full=' + ' '.join(catx(r) for r in full.itertuples(index=False)))
side = names.merge(codes, on='name', how='right', suffixes=('_n', '_c'))
side['name_n'] = np.where(side.v.isna(), '', side.name)
side = side.sort_values('name')
print('log: sides=' + ' '.join(catx([r.name_n, r.name, r.name, r.w]) for r in side.itertuples()))

nocommon = len(one) * len(two)
chain = natural(natural(one, two[['x', 'b']], 'inner'), pd.DataFrame({'b': two.b, 'w': 10 * two.b}), 'inner')
chain = chain.sort_values(['x', 'y', 'z', 'w'], na_position='first')
print('log: nocommon=%d chain=%s' % (nocommon, ' '.join(catx([r.x, r.y, r.z, r.w]) for r in chain.itertuples())))
