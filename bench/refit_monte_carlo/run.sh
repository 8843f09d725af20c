#!/usr/bin/env bash
# SELECTION BIC against SELECTION BIC / REFIT on 100 data sets each of Fan and Li's normal design
# (n = 60, sigma = 3) and a Poisson one (n = 200): how often the true model is selected, the
# median model error relative to the unpenalized fit's, and how often the refit's set is the best
# subset by BIC. Needs R. usage: run.sh BUILD   (BUILD holds quill and quillfit.so)
set -euo pipefail
build=$(cd "$1" && pwd); here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
Rscript "$here/gen.R"
"$build/quill" "$here/mc.sas" >/dev/null || true
Rscript "$here/eval.R"
