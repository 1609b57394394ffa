#!/usr/bin/env bash
# The committed mineral database is what scripts/make-athena.py makes of the committed IMA list.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
python3 "$root/scripts/make-athena.py" --output "$work/athena.txt"
if ! cmp "$work/athena.txt" "$root/data/athena.txt"; then
  echo "data/athena.txt is not the output of scripts/make-athena.py: run it and commit the result" >&2
  exit 1
fi
echo "athena_current: data/athena.txt is current ($(wc -l <"$work/athena.txt") species)"
