"""Computes, independently of quill, the numbers proc_summary.expect checks: PROC SUMMARY's output
data sets (_TYPE_ and _FREQ_ as SAS defines them) and its PRINT listing, on the data lines of
proc_summary.sas (run once; the printed lines were copied into the .expect file):
    python3 proc_summary_expected.py"""
import itertools
import statistics

ROWS = [("A", "T", 1, 5.1), ("A", "T", 2, 6.3), ("A", "C", 1, 4.8), ("A", "C", None, 5.0), ("B", "T", 1, 7.2),
        ("B", "T", 2, None), ("B", "C", 2, 6.1), ("B", "C", 1, 5.5), ("C", "T", 3, 8.0)]
CLASSES = ("site", "arm")


def best12(v):
    """A number as PROC PRINT shows it: the most significant digits that fit in 12 characters."""
    if v == int(v):
        return str(int(v))
    for digits in range(12, 0, -1):
        text = f"{v:.{digits}g}"
        if len(text) <= 12:
            return text


def present(values):
    return [v for v in values if v is not None]


# _TYPE_ is a bit per class variable, the last one lowest; types in order, groups by class values.
print("OUT=cells: site arm _TYPE_ _FREQ_ dose(mean) response(mean) total(sum response) n_resp(n response)")
for type_ in range(2 ** len(CLASSES)):
    used = [k for k in range(len(CLASSES)) if type_ & (1 << (len(CLASSES) - 1 - k))]
    key = lambda r: tuple(r[k] for k in used)
    for value, group in itertools.groupby(sorted(ROWS, key=key), key=key):
        group = list(group)
        dose, response = present(r[2] for r in group), present(r[3] for r in group)
        shown = ["" if k not in used else value[used.index(k)] for k in range(len(CLASSES))]
        print(*shown, type_, len(group), best12(statistics.mean(dose)), best12(statistics.mean(response)),
              best12(sum(response)), len(response))

print("NWAY OUT=counts without VAR: site _TYPE_ _FREQ_")
for site in sorted({r[0] for r in ROWS}):
    print(site, 1, sum(1 for r in ROWS if r[0] == site))

print("PRINT MAXDEC=2 N MEAN STD of response by arm: arm, N Obs, N, Mean, Std Dev")
for arm in sorted({r[1] for r in ROWS}):
    group = [r for r in ROWS if r[1] == arm]
    response = present(r[3] for r in group)
    print(arm, len(group), len(response), f"{statistics.mean(response):.2f}", f"{statistics.stdev(response):.2f}")
