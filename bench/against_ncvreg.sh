#!/usr/bin/env bash
# The default (LQA) path, default start and WARMSTART, against ncvreg's SCAD path on the same rows,
# interleaved per round (quill default, quill warm, ncvreg; with BEFORE=DIR the build in DIR too,
# before this one) so that the shared machine's load falls on all alike; G = 250, BIC, one thread.
# Prints each run's processor seconds and passes, the load average before each round, and per cell
# the medians and their ratios to ncvreg's.
# usage: [BEFORE=DIR] against_ncvreg.sh BUILD ROUNDS MODEL:NxP...
#   e.g. BEFORE=main/build against_ncvreg.sh build 3 poisson:2000x20 logistic:10000x50
# ncvreg comes from ../shared/peers/install-ncvreg.sh (R_LIBS set to the library it installs into).
set -euo pipefail
build=$1; rounds=$2; shift 2; here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
builds=("$build"); [ -n "${BEFORE:-}" ] && builds=("$BEFORE" "$build")
median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
for cell in "$@"; do
  model=${cell%%:*}; size=${cell#*:}; n=${size%x*}; p=${size#*x}
  "$build/quill_descent_bench" --lqa "$model" "$n" "$p" 1 "$tmp/data.csv" >/dev/null
  : > "$tmp/runs"
  for r in $(seq "$rounds"); do
    echo "# $cell round $r, load $(cut -d' ' -f1-3 /proc/loadavg)"
    for b in "${builds[@]}"; do
      for start in "" --warm; do
        line=$("$b/quill_descent_bench" --lqa $start "$model" "$n" "$p" 250)
        echo "$b $line"; echo "$b${start} $line" >> "$tmp/runs"
      done
    done
    line=$(Rscript "$here/descent_bench.R" "$model" "$tmp/data.csv" 250)
    echo "$line"; echo "ncvreg $line" >> "$tmp/runs"
  done
  ncvreg=$(awk '$1 == "ncvreg" {print $(NF - 7)}' "$tmp/runs" | median)
  for b in "${builds[@]}"; do
    for start in "" --warm; do
      s=$(awk -v k="$b$start" '$1 == k {print $(NF - 10)}' "$tmp/runs" | median)
      passes=$(awk -v k="$b$start" '$1 == k {print $(NF - 1)}' "$tmp/runs" | median)
      echo "= $cell ${start:---default} $b: $s s, $passes passes; ncvreg $ncvreg s; ratio $(awk -v a="$s" -v b="$ncvreg" 'BEGIN {printf "%.2f", a / b}')"
    done
  done
done
