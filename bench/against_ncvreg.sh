#!/usr/bin/env bash
# The default (LQA) path, default start and WARMSTART, against ncvreg's SCAD path on the same rows,
# interleaved per round (quill default, quill warm, ncvreg) so that the shared machine's load falls
# on all alike; G = 250, BIC, one thread. Prints each run's processor seconds and passes, and the
# load average before each cell.
# usage: against_ncvreg.sh BUILD ROUNDS MODEL:NxP...   e.g. against_ncvreg.sh build 3 poisson:2000x20
# ncvreg comes from ../shared/peers/install-ncvreg.sh (R_LIBS set to the library it installs into).
set -euo pipefail
build=$1; rounds=$2; shift 2; here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
for cell in "$@"; do
  model=${cell%%:*}; size=${cell#*:}; n=${size%x*}; p=${size#*x}
  "$build/quill_descent_bench" --lqa "$model" "$n" "$p" 1 "$tmp/data.csv" >/dev/null
  echo "# $cell, load $(cut -d' ' -f1-3 /proc/loadavg)"
  for r in $(seq "$rounds"); do
    "$build/quill_descent_bench" --lqa "$model" "$n" "$p" 250
    "$build/quill_descent_bench" --lqa --warm "$model" "$n" "$p" 250
    Rscript "$here/descent_bench.R" "$model" "$tmp/data.csv" 250
  done
done
