#!/usr/bin/env bash
# The manual pages in docs/man/ name every option the programs take, and no option they do not:
# each long option of `--help` is in the page, and each option the page names is in `--help`.
set -euo pipefail
exe=$1
build=$(cd "$(dirname "$exe")" && pwd)
man_dir=$(cd "$(dirname "$0")/../docs/man" && pwd)
failed=0
for program in qlxrender qlxsheet; do
  help=$(QT_QPA_PLATFORM=offscreen "$build/$program" --help)
  page="$man_dir/$program.1.md"
  # The pages write a dash as \- for roff.
  from_help=$(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u)
  from_page=$(sed 's/\\-/-/g' "$page" | grep -o -- '--[a-z][a-z-]*' | sort -u)
  # --queue is the hidden form of --print=QUEUE.
  missing=$(comm -23 <(echo "$from_help") <(echo "$from_page") | grep -vx -- '--queue' || true)
  unknown=$(comm -13 <(echo "$from_help") <(echo "$from_page") || true)
  if [ -n "$missing" ]; then
    echo "man_pages: $program.1.md lacks: $missing"
    failed=1
  fi
  if [ -n "$unknown" ]; then
    echo "man_pages: $program.1.md names options $program does not take: $unknown"
    failed=1
  fi
  echo "man_pages: $program: $(wc -w <<<"$from_help") options in --help"
done
exit $failed
