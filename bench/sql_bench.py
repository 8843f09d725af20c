#!/usr/bin/python3
# sql_bench.py: PROC SQL's join and GROUP BY on 10^6 rows against pandas merge/groupby on the
# same CSV files, interleaved, processor seconds (user + system of the child), median of rounds.
#
#   /usr/bin/python3 bench/sql_bench.py QUILL [ROUNDS] [WORKDIR]
#
# big.csv: 10^6 rows, key (1..10^4) and x1-x9; small.csv: 10^4 rows, key and w1-w4. Each tool
# runs four programs: reading both files only (the baseline), the inner join written as a data
# set, the same join counted and summed only (its cost without the writing), and a GROUP BY key
# of mean, sum and count over big. The tool's own work is a program's time less the baseline's.
import os, subprocess, sys, statistics, tempfile
import numpy as np

quill = os.path.abspath(sys.argv[1])
rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 3
work = sys.argv[3] if len(sys.argv) > 3 else tempfile.mkdtemp(prefix='sql-bench-')
os.makedirs(work, exist_ok=True)
rng = np.random.default_rng(31)
big, small = os.path.join(work, 'big.csv'), os.path.join(work, 'small.csv')
if not os.path.exists(big):
    n = 10**6
    cols = {'key': rng.integers(1, 10**4 + 1, n)}
    for k in range(1, 10):
        cols['x%d' % k] = np.round(rng.normal(size=n), 6)
    import pandas as pd
    pd.DataFrame(cols).to_csv(big, index=False)
    s = {'key': np.arange(1, 10**4 + 1)}
    for k in range(1, 5):
        s['w%d' % k] = np.round(rng.normal(size=10**4), 6)
    pd.DataFrame(s).to_csv(small, index=False)

sas = {
    'read': 'proc sql; select count(*) into :n from here.big; select count(*) into :m from here.small; quit;',
    'join': 'proc sql; create table j as select b.*, s.w1, s.w2, s.w3, s.w4 from here.big b, here.small s '
            'where b.key = s.key; quit;',
    'group': 'proc sql; create table g as select key, mean(x1) as m, sum(x2) as s, count(*) as n '
             'from here.big group by key; quit;',
    # The join alone: its rows are counted, not written.
    'joinonly': 'proc sql; select count(*), sum(s.w1) into :n, :w from here.big b, here.small s '
                'where b.key = s.key; quit;',
}
py = {
    'read': 'import pandas as pd\nb=pd.read_csv(%r)\ns=pd.read_csv(%r)\n' % (big, small),
    'join': 'import pandas as pd\nb=pd.read_csv(%r)\ns=pd.read_csv(%r)\nj=b.merge(s,on="key")\n'
            'j.to_csv(%r,index=False)\n' % (big, small, os.path.join(work, 'j_pandas.csv')),
    'group': 'import pandas as pd\nb=pd.read_csv(%r)\ns=pd.read_csv(%r)\n'
             'g=b.groupby("key").agg(m=("x1","mean"),s=("x2","sum"),n=("x1","size"))\n'
             'g.to_csv(%r)\n' % (big, small, os.path.join(work, 'g_pandas.csv')),
    'joinonly': 'import pandas as pd\nb=pd.read_csv(%r)\ns=pd.read_csv(%r)\nj=b.merge(s,on="key")\n'
                'print(len(j), j.w1.sum())\n' % (big, small),
}


def cpu(args):
    p = subprocess.Popen(args, cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(p.pid, 0)
    if status != 0 and 'quill' in args[0]:
        raise SystemExit('%s failed (%d)' % (args, status))
    return usage.ru_utime + usage.ru_stime


times = {(tool, task): [] for tool in ('quill', 'pandas') for task in sas}
for r in range(rounds):
    for task in sas:
        path = os.path.join(work, task + '.sas')
        open(path, 'w').write(sas[task] + '\n')
        times[('quill', task)].append(cpu([quill, path, '-lib', 'here=' + work, '-log', os.path.join(work, task + '.log')]))
        times[('pandas', task)].append(cpu(['/usr/bin/python3', '-c', py[task]]))
for tool in ('quill', 'pandas'):
    base = statistics.median(times[(tool, 'read')])
    print('%-7s read both %.2f s' % (tool, base), end='')
    for task in ('join', 'joinonly', 'group'):
        t = statistics.median(times[(tool, task)])
        print(' | %s %.2f s (own work %.2f s)' % (task, t, t - base), end='')
    print()
