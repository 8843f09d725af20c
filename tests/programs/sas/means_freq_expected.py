"""Computes, independently of quill, the numbers means_freq.expect checks: PROC MEANS and PROC FREQ
on the shipped data sets (run once; the printed values were copied into the .expect file):
    python3 means_freq_expected.py"""
import csv
import math
import os
import statistics

DATA = os.path.join(os.path.dirname(__file__), "..", "..", "..", "examples", "data")


def rows(name):
    with open(os.path.join(DATA, name + ".csv"), newline="") as f:
        return list(csv.DictReader(f))


def quantile5(values, p):
    """SAS's quantile definition 5: y = x(j+1) when n*p = j + g with g > 0, else (x(j) + x(j+1)) / 2."""
    x = sorted(values)
    n = len(x)
    j = math.floor(n * p)
    if n * p > j:
        return x[j]
    return (x[j - 1] + x[j]) / 2


def summary(values, dec):
    present = [v for v in values if v is not None]
    n = len(present)
    out = [n, len(values) - n, statistics.mean(present), statistics.stdev(present), min(present), max(present),
           sum(present), quantile5(present, 0.5), quantile5(present, 0.25), quantile5(present, 0.75)]
    return [str(v) if i < 2 else f"{v:.{dec}f}" for i, v in enumerate(out)]


def number(text):
    return None if text in ("", ".") else float(text)


biopsy = rows("biopsy")
print("biopsy V6 by class: N NMISS MEAN STD MIN MAX SUM MEDIAN Q1 Q3 (MAXDEC=4)")
for level in sorted({r["class"] for r in biopsy}):
    print(level, sum(1 for r in biopsy if r["class"] == level),
          summary([number(r["V6"]) for r in biopsy if r["class"] == level], 4))

chem = rows("biochemists")
print("biochemists art by fem: N MEAN STD MIN MAX (MAXDEC=3)")
for level in sorted({r["fem"] for r in chem}):
    s = summary([number(r["art"]) for r in chem if r["fem"] == level], 3)
    print(level, s[0], s[2], s[3], s[4], s[5])
print("biochemists mean(art) by fem and mar (full precision)")
for fem in sorted({r["fem"] for r in chem}):
    for mar in sorted({r["mar"] for r in chem}):
        v = [float(r["art"]) for r in chem if r["fem"] == fem and r["mar"] == mar]
        print(fem, mar, len(v), repr(statistics.mean(v)))
print("overall", len(chem), repr(statistics.mean(float(r["art"]) for r in chem)))

print("FREQ kid5: value, frequency, percent, cumulative frequency, cumulative percent")
total, running = len(chem), 0
for level in sorted({int(r["kid5"]) for r in chem}):
    n = sum(1 for r in chem if int(r["kid5"]) == level)
    running += n
    print(level, n, f"{100 * n / total:.2f}", running, f"{100 * running / total:.2f}")
print("FREQ fem*mar: frequency, percent, row percent, column percent")
for fem in sorted({r["fem"] for r in chem}):
    fem_n = sum(1 for r in chem if r["fem"] == fem)
    for mar in sorted({r["mar"] for r in chem}):
        mar_n = sum(1 for r in chem if r["mar"] == mar)
        n = sum(1 for r in chem if r["fem"] == fem and r["mar"] == mar)
        print(fem, mar, n, f"{100 * n / total:.2f}", f"{100 * n / fem_n:.2f}", f"{100 * n / mar_n:.2f}")

prostate = rows("prostate")
print("prostate lpsa by svi: N MEDIAN Q1 Q3 (MAXDEC=6); n*p whole for svi=0 (76), not for svi=1 (21)")
for level in ("0", "1"):
    v = [float(r["lpsa"]) for r in prostate if r["svi"] == level]
    print(level, len(v), *(f"{quantile5(v, p):.6f}" for p in (0.5, 0.25, 0.75)))

# freq_missing_nway.sas
print("FREQ biopsy V6 / MISSING: value, frequency, percent, cumulative frequency, cumulative percent")
total, running = len(biopsy), 0
for level in [None] + sorted({number(r["V6"]) for r in biopsy} - {None}):
    n = sum(1 for r in biopsy if number(r["V6"]) == level)
    running += n
    print("." if level is None else int(level), n, f"{100 * n / total:.2f}", running, f"{100 * running / total:.2f}")
print("FREQ mar*fem*kid5: per mar, fem by kid5: frequency, percent of the stratum; OUT= PERCENT of all")
for mar in sorted({r["mar"] for r in chem}):
    stratum = [r for r in chem if r["mar"] == mar]
    for fem in sorted({r["fem"] for r in chem}):
        cells = []
        for kid5 in sorted({int(r["kid5"]) for r in stratum}):
            n = sum(1 for r in stratum if r["fem"] == fem and int(r["kid5"]) == kid5)
            cells.append((kid5, n, f"{100 * n / len(stratum):.2f}", repr(100 * n / len(chem))))
        print(mar, fem, sum(1 for r in stratum if r["fem"] == fem), cells)
    print(mar, "total", len(stratum))
