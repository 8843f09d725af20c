#!/usr/bin/env bash
# The descent path against ncvreg, interleaved (quill, ncvreg, quill, ncvreg, ...) so that the
# shared machine's load falls on both alike. usage: descent_bench.sh BUILD [ROUNDS]
# ncvreg comes from ../shared/peers/install-ncvreg.sh (R_LIBS set to the library it installs into).
set -euo pipefail
build=$1; rounds=${2:-3}; here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
for model in normal logistic; do
  "$build/quill_descent_bench" "$model" 500 10000 100 "$tmp/$model.csv" >/dev/null
  for r in $(seq "$rounds"); do
    "$build/quill_descent_bench" "$model" 500 10000 100
    Rscript "$here/descent_bench.R" "$model" "$tmp/$model.csv" 100
  done
done
